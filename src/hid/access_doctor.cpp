// The access doctor: facts from the running system and their diagnosis.
#include "hid/access_doctor.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <libudev.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "hid/hidraw_backend.h"

namespace brisvel::hid::doctor {
namespace {

constexpr uint16_t kVendor = 0x2B53;
constexpr uint16_t kProduct = 0x0019;
constexpr size_t kMaxRuleFileBytes = 1 << 20;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string UserName(uint32_t uid) {
  if (const passwd* pw = ::getpwuid(uid)) return pw->pw_name;
  return std::to_string(uid);
}

std::string GroupName(uint32_t gid) {
  if (const group* gr = ::getgrgid(gid)) return gr->gr_name;
  return std::to_string(gid);
}

std::string PermText(unsigned perm) {
  std::string s = "---";
  if (perm & 4) s[0] = 'r';
  if (perm & 2) s[1] = 'w';
  if (perm & 1) s[2] = 'x';
  return s;
}

std::string ModeText(unsigned mode) {
  char octal[8];
  std::snprintf(octal, sizeof octal, "%04o", mode & 07777);
  return std::string(octal) + " (" + PermText((mode >> 6) & 7) + PermText((mode >> 3) & 7) + PermText(mode & 7) + ")";
}

std::string ErrnoName(int error) {
  switch (error) {
    case EACCES: return "EACCES";
    case EPERM: return "EPERM";
    case EBUSY: return "EBUSY";
    case ENOENT: return "ENOENT";
    case ENODEV: return "ENODEV";
    case ENXIO: return "ENXIO";
    default: return "errno " + std::to_string(error);
  }
}

// What the access list gives this user: its named entry limited by the mask.
std::optional<unsigned> AclPermForUser(const std::vector<AclEntry>& acl, uint32_t uid, const std::string& user) {
  std::optional<unsigned> perm;
  unsigned mask = 7;
  for (const AclEntry& e : acl) {
    if (e.tag == AclEntry::Tag::kUser && (e.id == uid || (!e.name.empty() && e.name == user))) perm = e.perm;
    if (e.tag == AclEntry::Tag::kMask) mask = e.perm;
  }
  if (perm) *perm &= mask;
  return perm;
}

const char kReload[] = "sudo udevadm control --reload-rules && sudo udevadm trigger --action=change --subsystem-match=hidraw";

std::string InstallRuleCommand() {
  return std::string("echo '") + kRuleLine + "' | sudo tee /etc/udev/rules.d/" + kRuleFileName + " && " + kReload;
}

class Problems {
 public:
  void Add(const std::string& what, const std::string& fix) {
    for (const auto& [w, f] : items_)
      if (w == what && f == fix) return;
    items_.emplace_back(what, fix);
  }
  bool Empty() const { return items_.empty(); }
  void Print(std::ostringstream& out) const {
    int n = 0;
    for (const auto& [what, fix] : items_) {
      out << "  " << ++n << ". " << what << "\n";
      out << "     fix: " << fix << "\n";
    }
  }

 private:
  std::vector<std::pair<std::string, std::string>> items_;
};

}  // namespace

std::optional<std::vector<AclEntry>> ParseAclXattr(std::span<const uint8_t> bytes) {
  auto u16 = [&](size_t at) { return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8)); };
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                                 (static_cast<uint32_t>(bytes[at + 3]) << 24));
  };
  // A 4-byte version (2), then 8-byte entries: tag, permissions, id.
  if (bytes.size() < 4 || (bytes.size() - 4) % 8 != 0 || u32(0) != 2) return std::nullopt;
  std::vector<AclEntry> acl;
  for (size_t at = 4; at < bytes.size(); at += 8) {
    AclEntry e;
    switch (u16(at)) {
      case 0x01: e.tag = AclEntry::Tag::kUserObj; break;
      case 0x02: e.tag = AclEntry::Tag::kUser; break;
      case 0x04: e.tag = AclEntry::Tag::kGroupObj; break;
      case 0x08: e.tag = AclEntry::Tag::kGroup; break;
      case 0x10: e.tag = AclEntry::Tag::kMask; break;
      case 0x20: e.tag = AclEntry::Tag::kOther; break;
      default: return std::nullopt;
    }
    e.perm = u16(at + 2) & 7;
    e.id = u32(at + 4);
    acl.push_back(e);
  }
  return acl;
}

std::string AclText(const std::vector<AclEntry>& acl) {
  std::string out;
  for (const AclEntry& e : acl) {
    std::string item;
    const std::string who = e.name.empty() ? std::to_string(e.id) : e.name;
    if (e.tag == AclEntry::Tag::kUser) item = "user:" + who + ":" + PermText(e.perm);
    else if (e.tag == AclEntry::Tag::kGroup) item = "group:" + who + ":" + PermText(e.perm);
    else if (e.tag == AclEntry::Tag::kMask) item = "mask::" + PermText(e.perm);
    else continue;
    if (!out.empty()) out += " ";
    out += item;
  }
  return out;
}

bool RuleTextCoversProcessor(const std::string& text) {
  std::istringstream in(Lower(text));
  std::string line;
  while (std::getline(in, line)) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    if (line.find("2b53") == std::string::npos || line.find("0019") == std::string::npos) continue;
    if (line.find("uaccess") != std::string::npos || line.find("mode") != std::string::npos ||
        line.find("group") != std::string::npos)
      return true;
  }
  return false;
}

Report Diagnose(const Facts& facts) {
  std::ostringstream out;
  Problems problems;
  out << "Processor access check (USB 2b53:0019) for user " << facts.user << " (uid " << facts.uid << ")\n\n";

  bool ruleRead = false;
  const RuleFile* unreadRule = nullptr;
  for (const RuleFile& r : facts.rules) {
    if (r.readByUdev) ruleRead = true;
    else if (!unreadRule) unreadRule = &r;
  }
  if (facts.rules.empty()) {
    out << "udev rule: not installed\n";
  } else {
    for (const RuleFile& r : facts.rules)
      out << "udev rule: " << r.path << (r.readByUdev ? "" : " (not read by udev)") << "\n";
  }
  if (!ruleRead) {
    if (unreadRule) {
      problems.Add("The udev rule " + unreadRule->path + " is in a folder udev does not read (or is overridden).",
                   "sudo cp " + unreadRule->path + " /etc/udev/rules.d/" + kRuleFileName + " && " + kReload);
    } else {
      problems.Add("The udev rule that gives the logged-in user access to the processor is not installed.",
                   InstallRuleCommand());
    }
  }

  bool anyOpens = false;
  if (facts.nodes.empty()) {
    out << "\nProcessor: none found (no hidraw node with vendor 2b53, product 0019)\n";
    problems.Add("No processor is attached, or it is not powered.",
                 "plug the processor in (and switch it on), then run brisvelctl doctor again");
  }
  for (const NodeFacts& node : facts.nodes) {
    out << "\nProcessor: " << node.path << "\n";
    out << "  owner " << node.owner << ":" << node.group << ", mode " << ModeText(node.mode) << "\n";
    const std::string acl = AclText(node.acl);
    out << "  access list: " << (acl.empty() ? "none" : acl) << "\n";
    out << "  uaccess tag: " << (!node.uaccessTag ? "unknown (the udev database cannot be read)"
                                                  : (*node.uaccessTag ? "yes" : "no")) << "\n";
    if (node.openError == 0) {
      out << "  open for reading and writing: ok\n";
      anyOpens = true;
    } else {
      out << "  open for reading and writing: failed: " << std::strerror(node.openError) << " ("
          << ErrnoName(node.openError) << ")\n";
    }
    if (node.holders.empty()) {
      out << "  held open by: no other process"
          << (facts.holdersComplete ? "" : " seen (other users' processes are visible only to root)") << "\n";
    } else {
      out << "  held open by:";
      for (const Holder& h : node.holders) out << " " << h.pid << " (" << h.command << ")";
      out << "\n";
    }

    if (node.openError == EACCES || node.openError == EPERM) {
      const auto perm = AclPermForUser(node.acl, facts.uid, facts.user);
      if (!ruleRead) {
        // The rule problem above is the cause; its fix is listed there.
      } else if (node.uaccessTag && !*node.uaccessTag) {
        problems.Add("The udev rule is installed but was not applied to " + node.path +
                         " (the processor was attached before the rule was installed).",
                     std::string(kReload) + "   (or unplug the processor and plug it in again)");
      } else if (perm && (*perm & 6) == 6) {
        problems.Add("The access list of " + node.path + " lets " + facts.user + " in, but opening is still refused.",
                     "sudo setfacl -m u:" + facts.user + ":rw,m::rw " + node.path);
      } else {
        problems.Add(node.path + " is tagged for the logged-in user, but " + facts.user +
                         " is not in its access list: only the user of the active local session gets it"
                         " (not remote logins such as ssh).",
                     "log in at the computer's own screen, or for now: sudo setfacl -m u:" + facts.user + ":rw " +
                         node.path + "   (until the processor is plugged in again)");
      }
    } else if (node.openError == EBUSY) {
      problems.Add(node.path + " is busy.", node.holders.empty()
                                                ? std::string("close other programs that use the processor, or unplug "
                                                              "it and plug it in again")
                                                : "kill " + std::to_string(node.holders.front().pid));
    } else if (node.openError == ENOENT || node.openError == ENODEV || node.openError == ENXIO) {
      problems.Add(node.path + " went away while it was checked.",
                   "plug the processor in again, then run brisvelctl doctor again");
    } else if (node.openError != 0) {
      problems.Add("Opening " + node.path + " failed: " + std::strerror(node.openError) + ".",
                   "unplug the processor and plug it in again");
    }
    for (const Holder& h : node.holders) {
      problems.Add("Process " + std::to_string(h.pid) + " (" + h.command + ") has " + node.path +
                       " open: two programs talking to the processor take each other's replies.",
                   "close " + h.command + ", or: kill " + std::to_string(h.pid));
    }
  }

  out << "\n";
  if (problems.Empty()) {
    out << "No problems found.\n";
  } else {
    out << "Problems and fixes:\n";
    problems.Print(out);
  }
  out << "\nResult: " << (anyOpens ? "the processor can be opened." : "no processor can be opened.") << "\n";
  return Report{out.str(), anyOpens ? 0 : 1};
}

std::vector<RuleFile> SystemDoctorProbe::FindRules() const {
  std::vector<RuleFile> found;
  std::set<std::string> namesSeen;  // a file hides files of the same name in later folders
  auto scan = [&](const std::string& dir, bool read) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name.size() > 6 && name.ends_with(".rules")) names.push_back(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      const std::string path = dir + "/" + name;
      const bool hidden = read && namesSeen.count(name) > 0;
      if (read) namesSeen.insert(name);
      std::error_code ec;
      const auto size = std::filesystem::file_size(path, ec);
      if (ec || size > kMaxRuleFileBytes) continue;
      std::ifstream in(path, std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (RuleTextCoversProcessor(text)) found.push_back(RuleFile{path, read && !hidden});
    }
  };
  for (const std::string& dir : places_.udevRuleDirs) scan(dir, true);
  for (const std::string& dir : places_.ignoredRuleDirs) scan(dir, false);
  return found;
}

std::vector<Holder> SystemDoctorProbe::FindHolders(const std::string& devicePath, bool* complete) const {
  std::vector<Holder> holders;
  if (complete) *complete = true;
  DIR* proc = ::opendir(places_.procRoot.c_str());
  if (!proc) {
    if (complete) *complete = false;
    return holders;
  }
  const int self = static_cast<int>(::getpid());
  while (const dirent* e = ::readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(e->d_name, &end, 10);
    if (pid <= 0 || *end != '\0' || pid == self) continue;
    const std::string fdDir = places_.procRoot + "/" + e->d_name + "/fd";
    DIR* fds = ::opendir(fdDir.c_str());
    if (!fds) {
      if (errno == EACCES && complete) *complete = false;
      continue;
    }
    bool holds = false;
    while (const dirent* f = ::readdir(fds)) {
      if (f->d_name[0] == '.') continue;
      char target[4096];
      const ssize_t n = ::readlink((fdDir + "/" + f->d_name).c_str(), target, sizeof target - 1);
      if (n <= 0) continue;
      target[n] = '\0';
      if (devicePath == target) {
        holds = true;
        break;
      }
    }
    ::closedir(fds);
    if (!holds) continue;
    std::ifstream comm(places_.procRoot + "/" + e->d_name + "/comm");
    std::string command;
    std::getline(comm, command);
    holders.push_back(Holder{static_cast<int>(pid), command.empty() ? "?" : command});
  }
  ::closedir(proc);
  std::sort(holders.begin(), holders.end(), [](const Holder& a, const Holder& b) { return a.pid < b.pid; });
  return holders;
}

Facts SystemDoctorProbe::Collect() {
  Facts facts;
  facts.uid = ::getuid();
  facts.user = UserName(facts.uid);
  facts.rules = FindRules();

  const bool udevData = ::access(places_.udevDataDir.c_str(), F_OK) == 0;
  udev* context = ::udev_new();
  if (!context) return facts;
  udev_enumerate* enumerate = ::udev_enumerate_new(context);
  ::udev_enumerate_add_match_subsystem(enumerate, "hidraw");
  ::udev_enumerate_scan_devices(enumerate);
  for (udev_list_entry* it = ::udev_enumerate_get_list_entry(enumerate); it; it = ::udev_list_entry_get_next(it)) {
    udev_device* device = ::udev_device_new_from_syspath(context, ::udev_list_entry_get_name(it));
    if (!device) continue;
    const char* node = ::udev_device_get_devnode(device);
    const char* devpath = ::udev_device_get_devpath(device);
    const auto ids = devpath ? ParseHidIdFromDevpath(devpath) : std::nullopt;
    if (node && ids && ids->first == kVendor && ids->second == kProduct) {
      NodeFacts n;
      n.path = node;
      if (udevData) {
        n.uaccessTag = false;
        for (udev_list_entry* t = ::udev_device_get_tags_list_entry(device); t; t = ::udev_list_entry_get_next(t))
          if (std::strcmp(::udev_list_entry_get_name(t), "uaccess") == 0) n.uaccessTag = true;
      }
      struct stat st {};
      if (::stat(node, &st) == 0) {
        n.owner = UserName(st.st_uid);
        n.group = GroupName(st.st_gid);
        n.mode = st.st_mode & 07777;
      }
      std::vector<uint8_t> xattr(1024);
      const ssize_t size = ::getxattr(node, "system.posix_acl_access", xattr.data(), xattr.size());
      if (size > 0) {
        if (auto acl = ParseAclXattr(std::span<const uint8_t>(xattr.data(), static_cast<size_t>(size)))) {
          for (AclEntry& e : *acl) {
            if (e.tag == AclEntry::Tag::kUser) e.name = UserName(e.id);
            if (e.tag == AclEntry::Tag::kGroup) e.name = GroupName(e.id);
          }
          n.acl = std::move(*acl);
        }
      }
      const int fd = ::open(node, O_RDWR | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) ::close(fd);
      else n.openError = errno;
      bool complete = true;
      n.holders = FindHolders(n.path, &complete);
      if (!complete) facts.holdersComplete = false;
      facts.nodes.push_back(std::move(n));
    }
    ::udev_device_unref(device);
  }
  ::udev_enumerate_unref(enumerate);
  ::udev_unref(context);
  std::sort(facts.nodes.begin(), facts.nodes.end(),
            [](const NodeFacts& a, const NodeFacts& b) { return a.path < b.path; });
  return facts;
}

}  // namespace brisvel::hid::doctor
