// Why can (or can't) this user open the processor? The doctor collects facts
// about the processor's hidraw nodes (owner, mode, access list, udev tag,
// open result, processes holding them) and the installed udev rules, then
// turns them into a report that names the command fixing each problem.
// Collection (SystemDoctorProbe) and diagnosis (Diagnose) are separate, so
// the diagnosis can be checked on prepared facts.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace brisvel::hid::doctor {

inline constexpr char kRuleFileName[] = "70-brisvel-dsp.rules";
// The rule's line, as resources/udev/70-brisvel-dsp.rules holds it.
inline constexpr char kRuleLine[] =
    R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="2b53", ATTRS{idProduct}=="0019", TAG+="uaccess")";

// One entry of a POSIX access list.
struct AclEntry {
  enum class Tag { kUserObj, kUser, kGroupObj, kGroup, kMask, kOther };
  Tag tag = Tag::kOther;
  uint32_t id = 0;   // user or group id of named entries
  std::string name;  // their name when known
  unsigned perm = 0; // 4 read, 2 write, 1 execute
};

// The access list from the bytes of the "system.posix_acl_access" attribute;
// nothing when they are not a valid list.
std::optional<std::vector<AclEntry>> ParseAclXattr(std::span<const uint8_t> bytes);
// "user:alice:rw-" style text of the named and mask entries ("" when none).
std::string AclText(const std::vector<AclEntry>& acl);

struct Holder {
  int pid = 0;
  std::string command;
};

struct NodeFacts {
  std::string path;                  // /dev/hidrawN
  std::string owner, group;          // names (or numbers)
  unsigned mode = 0;                 // permission bits
  std::vector<AclEntry> acl;         // empty: no access list
  std::optional<bool> uaccessTag;    // nothing: the udev database cannot be read
  int openError = 0;                 // errno of opening for read and write; 0: it opens
  std::vector<Holder> holders;       // other processes that have it open
};

struct RuleFile {
  std::string path;
  bool readByUdev = true;  // false for folders udev does not read (/usr/local/lib/udev/rules.d)
};

struct Facts {
  std::string user;
  uint32_t uid = 0;
  std::vector<NodeFacts> nodes;     // the processor's nodes (vendor 2b53, product 0019)
  std::vector<RuleFile> rules;      // rule files that give access to the processor
  bool holdersComplete = true;      // false: other users' processes could not be looked at
};

struct Report {
  std::string text;
  int exitCode = 1;  // 0 only when a processor can be opened
};

Report Diagnose(const Facts& facts);

// The seam: where the facts come from.
class IDoctorProbe {
 public:
  virtual ~IDoctorProbe() = default;
  virtual Facts Collect() = 0;
};

// The running system: udev for the nodes and their tags, stat and the
// access-list attribute, a real open, /proc for holders, the rule folders.
class SystemDoctorProbe final : public IDoctorProbe {
 public:
  struct Places {
    std::vector<std::string> udevRuleDirs{"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d",
                                          "/lib/udev/rules.d"};
    std::vector<std::string> ignoredRuleDirs{"/usr/local/lib/udev/rules.d"};
    std::string procRoot = "/proc";
    std::string udevDataDir = "/run/udev/data";
  };
  SystemDoctorProbe() = default;
  explicit SystemDoctorProbe(Places places) : places_(std::move(places)) {}
  Facts Collect() override;

  // The parts that need no device, for tests.
  std::vector<RuleFile> FindRules() const;
  // Processes (other than this one) with the path open; complete is false
  // when some processes could not be looked at.
  std::vector<Holder> FindHolders(const std::string& devicePath, bool* complete) const;

 private:
  Places places_;
};

// Whether a rules file's text gives the processor's nodes to users (it names
// vendor 2b53 and product 0019 and sets the uaccess tag, a mode or a group).
bool RuleTextCoversProcessor(const std::string& text);

}  // namespace brisvel::hid::doctor
