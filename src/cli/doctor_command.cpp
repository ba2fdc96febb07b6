// brisvelctl doctor: why the processor can or cannot be opened, and the fixes.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/cli_common.h"

#ifdef BRISVEL_HAVE_DEVICE
#include "hid/access_doctor.h"
#endif

namespace brisvel::cli {

void RegisterDoctorCommand(CLI::App& app) {
#ifdef BRISVEL_HAVE_DEVICE
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
#else
  (void)app;
#endif
}

}  // namespace brisvel::cli
