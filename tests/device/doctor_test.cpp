// The access doctor on prepared facts (CI has no processor): each access
// problem is recognised and its fix printed; and the parts of the system
// probe that need no device (access lists, rule files, holders).
#include "hid/access_doctor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace brisvel::hid::doctor {
namespace {

namespace fs = std::filesystem;

Facts Alice() {
  Facts f;
  f.user = "alice";
  f.uid = 1000;
  return f;
}

NodeFacts Node(int openError) {
  NodeFacts n;
  n.path = "/dev/hidraw3";
  n.owner = "root";
  n.group = "root";
  n.mode = 0600;
  n.uaccessTag = false;
  n.openError = openError;
  return n;
}

const RuleFile kInstalled{"/usr/lib/udev/rules.d/70-brisvel-dsp.rules", true};

bool Has(const Report& r, const std::string& text) { return r.text.find(text) != std::string::npos; }

TEST(Doctor, DeniedWithoutRuleNamesTheRuleInstall) {
  Facts f = Alice();
  f.nodes.push_back(Node(EACCES));
  const Report r = Diagnose(f);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r, "udev rule: not installed"));
  EXPECT_TRUE(Has(r, "owner root:root, mode 0600 (rw-------)"));
  EXPECT_TRUE(Has(r, "failed: Permission denied (EACCES)"));
  EXPECT_TRUE(Has(r, std::string("fix: echo '") + kRuleLine + "' | sudo tee /etc/udev/rules.d/70-brisvel-dsp.rules"));
  EXPECT_TRUE(Has(r, "sudo udevadm control --reload-rules"));
  EXPECT_TRUE(Has(r, "Result: no processor can be opened."));
}

TEST(Doctor, RuleInstalledButNotAppliedAsksForReloadAndTrigger) {
  Facts f = Alice();
  f.rules.push_back(kInstalled);
  f.nodes.push_back(Node(EACCES));
  const Report r = Diagnose(f);
  EXPECT_TRUE(Has(r, "udev rule: /usr/lib/udev/rules.d/70-brisvel-dsp.rules"));
  EXPECT_TRUE(Has(r, "uaccess tag: no"));
  EXPECT_TRUE(Has(r, "not applied to /dev/hidraw3"));
  EXPECT_TRUE(Has(r, "fix: sudo udevadm control --reload-rules && sudo udevadm trigger --action=change"));
  EXPECT_FALSE(Has(r, "sudo tee"));  // the rule itself is there
  EXPECT_EQ(r.exitCode, 1);
}

TEST(Doctor, TaggedNodeWithoutThisUserInTheAccessListPointsAtTheSession) {
  Facts f = Alice();
  f.rules.push_back(kInstalled);
  NodeFacts n = Node(EACCES);
  n.uaccessTag = true;
  n.acl = {{AclEntry::Tag::kUser, 1001, "bob", 6}, {AclEntry::Tag::kMask, 0, "", 6}};
  f.nodes.push_back(n);
  const Report r = Diagnose(f);
  EXPECT_TRUE(Has(r, "access list: user:bob:rw- mask::rw-"));
  EXPECT_TRUE(Has(r, "alice is not in its access list"));
  EXPECT_TRUE(Has(r, "sudo setfacl -m u:alice:rw /dev/hidraw3"));

  // A grant cut down by the mask still counts as missing; one that gives
  // read and write but is refused anyway gets the mask repaired.
  f.nodes[0].acl = {{AclEntry::Tag::kUser, 1000, "alice", 6}, {AclEntry::Tag::kMask, 0, "", 4}};
  EXPECT_TRUE(Has(Diagnose(f), "alice is not in its access list"));
  f.nodes[0].acl = {{AclEntry::Tag::kUser, 1000, "alice", 6}, {AclEntry::Tag::kMask, 0, "", 6}};
  EXPECT_TRUE(Has(Diagnose(f), "sudo setfacl -m u:alice:rw,m::rw /dev/hidraw3"));
}

TEST(Doctor, BusyOrSharedNodesNameTheProcessToClose) {
  Facts f = Alice();
  f.rules.push_back(kInstalled);
  NodeFacts n = Node(0);
  n.uaccessTag = true;
  n.holders = {{4242, "brisvel-console"}};
  f.nodes.push_back(n);
  Report r = Diagnose(f);
  EXPECT_EQ(r.exitCode, 0);  // it opens; the other user of it is still a problem
  EXPECT_TRUE(Has(r, "held open by: 4242 (brisvel-console)"));
  EXPECT_TRUE(Has(r, "fix: close brisvel-console, or: kill 4242"));
  EXPECT_TRUE(Has(r, "Result: the processor can be opened."));

  f.nodes[0].openError = EBUSY;
  r = Diagnose(f);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r, "/dev/hidraw3 is busy."));
  EXPECT_TRUE(Has(r, "fix: kill 4242"));
}

TEST(Doctor, NoProcessorStillChecksTheRule) {
  Facts f = Alice();
  f.rules.push_back({"/usr/local/lib/udev/rules.d/70-brisvel-dsp.rules", false});
  const Report r = Diagnose(f);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(Has(r, "Processor: none found"));
  EXPECT_TRUE(Has(r, "(not read by udev)"));
  EXPECT_TRUE(Has(r, "fix: sudo cp /usr/local/lib/udev/rules.d/70-brisvel-dsp.rules /etc/udev/rules.d/"));
}

TEST(Doctor, AllWellIsExitZeroWithoutFixes) {
  Facts f = Alice();
  f.rules.push_back(kInstalled);
  NodeFacts n = Node(0);
  n.uaccessTag = true;
  n.acl = {{AclEntry::Tag::kUser, 1000, "alice", 6}, {AclEntry::Tag::kMask, 0, "", 6}};
  f.nodes.push_back(n);
  f.nodes.push_back(Node(EACCES));  // a second processor this user may not open is still reported
  f.nodes[1].path = "/dev/hidraw4";
  const Report r = Diagnose(f);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(Has(r, "not applied to /dev/hidraw4"));
  f.nodes.pop_back();
  EXPECT_TRUE(Has(Diagnose(f), "No problems found."));
}

TEST(DoctorProbe, AccessListAttributeIsParsed) {
  // version 2; user_obj rw-; user 1000 rw-; group_obj ---; mask rw-; other ---
  const std::vector<uint8_t> bytes = {2, 0, 0, 0,
                                      0x01, 0, 6, 0, 0xff, 0xff, 0xff, 0xff,
                                      0x02, 0, 6, 0, 0xe8, 0x03, 0, 0,
                                      0x04, 0, 0, 0, 0xff, 0xff, 0xff, 0xff,
                                      0x10, 0, 6, 0, 0xff, 0xff, 0xff, 0xff,
                                      0x20, 0, 0, 0, 0xff, 0xff, 0xff, 0xff};
  const auto acl = ParseAclXattr(bytes);
  ASSERT_TRUE(acl);
  ASSERT_EQ(acl->size(), 5u);
  EXPECT_EQ((*acl)[1].tag, AclEntry::Tag::kUser);
  EXPECT_EQ((*acl)[1].id, 1000u);
  EXPECT_EQ(AclText(*acl), "user:1000:rw- mask::rw-");
  EXPECT_FALSE(ParseAclXattr(std::vector<uint8_t>{1, 0, 0, 0}));                          // wrong version
  EXPECT_FALSE(ParseAclXattr(std::vector<uint8_t>(bytes.begin(), bytes.end() - 3)));     // cut short
  std::vector<uint8_t> badTag = bytes;
  badTag[4] = 0x40;
  EXPECT_FALSE(ParseAclXattr(badTag));
}

class ProbeFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "brisvel-doctor-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    for (const char* d : {"etc", "lib", "local", "proc"}) fs::create_directories(root_ / d);
    places_.udevRuleDirs = {(root_ / "etc").string(), (root_ / "lib").string()};
    places_.ignoredRuleDirs = {(root_ / "local").string()};
    places_.procRoot = (root_ / "proc").string();
  }
  void TearDown() override { fs::remove_all(root_); }
  void Put(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }

  fs::path root_;
  SystemDoctorProbe::Places places_;
};

TEST_F(ProbeFolders, RuleFilesAreFoundAndAnOverriddenOneIsNotCounted) {
  SystemDoctorProbe probe(places_);
  EXPECT_TRUE(probe.FindRules().empty());
  const std::string rule = std::string("# comment naming 2b53 0019 uaccess\n") + kRuleLine + "\n";
  Put(root_ / "lib" / "70-brisvel-dsp.rules", rule);
  Put(root_ / "lib" / "50-other.rules", "# 2b53 0019 uaccess only in a comment\nSUBSYSTEM==\"usb\"\n");
  Put(root_ / "local" / "70-brisvel-dsp.rules", rule);
  auto rules = probe.FindRules();
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_TRUE(rules[0].readByUdev);
  EXPECT_FALSE(rules[1].readByUdev);  // /usr/local is not read by udev

  // An empty file of the same name in the earlier folder hides the rule.
  Put(root_ / "etc" / "70-brisvel-dsp.rules", "");
  rules = probe.FindRules();
  ASSERT_EQ(rules.size(), 2u);
  EXPECT_FALSE(rules[0].readByUdev);
  EXPECT_EQ(Diagnose(Facts{"alice", 1000, {}, rules, true}).text.find("udev rule: not installed"), std::string::npos);
}

TEST_F(ProbeFolders, ProcessesHoldingTheNodeAreListed) {
  for (int pid : {42, 7}) {
    const fs::path fd = root_ / "proc" / std::to_string(pid) / "fd";
    fs::create_directories(fd);
    fs::create_symlink("/dev/null", fd / "0");
    fs::create_symlink("/dev/hidraw3", fd / "5");
    Put(root_ / "proc" / std::to_string(pid) / "comm", pid == 42 ? "brisvel-console\n" : "other\n");
  }
  fs::create_directories(root_ / "proc" / "99" / "fd");
  fs::create_symlink("/dev/hidraw4", root_ / "proc" / "99" / "fd" / "3");
  fs::create_directories(root_ / "proc" / "self-not-a-pid");
  SystemDoctorProbe probe(places_);
  bool complete = false;
  const auto holders = probe.FindHolders("/dev/hidraw3", &complete);
  ASSERT_EQ(holders.size(), 2u);
  EXPECT_EQ(holders[0].pid, 7);
  EXPECT_EQ(holders[1].pid, 42);
  EXPECT_EQ(holders[1].command, "brisvel-console");
  EXPECT_TRUE(complete);
}

TEST(DoctorProbe, TheFixPrintsTheRuleTheProjectInstalls) {
  std::ifstream in(fs::path(BRISVEL_SOURCE_DIR) / "resources" / "udev" / kRuleFileName);
  ASSERT_TRUE(in);
  std::string line, last;
  while (std::getline(in, line))
    if (!line.empty() && line[0] != '#') last = line;
  EXPECT_EQ(last, kRuleLine);
  EXPECT_TRUE(RuleTextCoversProcessor(kRuleLine));
  EXPECT_FALSE(RuleTextCoversProcessor("SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"2b53\", TAG+=\"uaccess\""));
}

}  // namespace
}  // namespace brisvel::hid::doctor
