// brisvelctl doctor: why the processor can or cannot be opened, and the fixes.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/cli_common.h"

#include "hid/access_doctor.h"

namespace brisvel::cli {

void RegisterDoctorCommand(CLI::App& app) {
  app.add_subcommand("doctor",
                     "check access to the processor (nodes, permissions, udev rule, other users of it) and print "
                     "the command that fixes each problem; exit status 0 only when a processor can be opened")
      ->callback([] {
        hid::doctor::SystemDoctorProbe probe;
        const hid::doctor::Report report = hid::doctor::Diagnose(probe.Collect());
        std::fputs(report.text.c_str(), stdout);
        std::fflush(stdout);
        if (report.exitCode != 0) throw CliError("no processor can be opened");
      });
}

}  // namespace brisvel::cli
