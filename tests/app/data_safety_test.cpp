// The console and files that are hostile or shared: data files beside the
// program are read only when they are bounded regular files, layouts cannot
// nest without end, the single-instance lock and socket live where no other
// user can reach, the control channel caps its lines, and PC modes changed by
// brisvelctl while the console runs are neither lost nor overwritten.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTest>
#include <atomic>
#include <filesystem>
#include <thread>

#include "app/application.h"
#include "app/demo/control_channel.h"
#include "app/freq_style.h"
#include "app/single_instance.h"
#include "app_test_support.h"
#include "presets/sys_setting.h"
#include "settings/config_ini.h"
#include "settings/file_safety.h"
#include "ui/basic_controls.h"
#include "ui/layout_loader.h"
#include "ui/message_box.h"
#include "ui/panel.h"
#include "ui/skin.h"

namespace brisvel::app {
namespace {

namespace fs = std::filesystem;
namespace ids = layout::sys_setting;
using test::PrivateFolders;
using test::StartedConsole;
using test::WaitUntil;

// Whether reading path ever opened the FIFO at path: a writer that opens
// without waiting succeeds only while a reader has it open.
bool OpensTheFifo(const QString& path, const std::function<void()>& read) {
  std::atomic<bool> done{false}, opened{false};
  std::thread writer([&] {
    while (!done) {
      const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd >= 0) {
        opened = true;
        (void)::write(fd, "<x/>", 4);
        ::close(fd);  // the reader sees the end and returns
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  read();
  done = true;
  writer.join();
  return opened;
}

QString Nested(int depth) {
  QString xml;
  for (int i = 0; i < depth; ++i) xml += "<window>";
  for (int i = 0; i < depth; ++i) xml += "</window>";
  return xml;
}

int Depth(const QObject* o) {
  int deepest = 0;
  for (const QObject* child : o->children()) deepest = std::max(deepest, Depth(child));
  return deepest + 1;
}

TEST(DataFilesBesideTheProgram, AreReadOnlyWhenTheyAreBoundedRegularFiles) {
  QTemporaryDir dir;
  ui::Panel row;
  const QString fifo = dir.path() + "/freqstyle.xml";
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
  EXPECT_FALSE(OpensTheFifo(fifo, [&] { EXPECT_FALSE(ReplaceFrequencyCaptionsFromFile(&row, fifo)); }));
  const QString png = dir.path() + "/logo.png";
  ASSERT_EQ(::mkfifo(QFile::encodeName(png).constData(), 0644), 0);
  EXPECT_FALSE(OpensTheFifo(png, [&] { EXPECT_FALSE(ui::SkinRegistry::Instance().ReplaceFromFile("test_logo", png)); }));

  // A link to a device that never ends: refused, not read.
  const QString zero = dir.path() + "/zero.xml";
  ASSERT_TRUE(QFile::link("/dev/zero", zero));
  EXPECT_FALSE(ReplaceFrequencyCaptionsFromFile(&row, zero));
  EXPECT_FALSE(ui::SkinRegistry::Instance().ReplaceFromFile("test_logo", zero));
  EXPECT_FALSE(ui::SkinRegistry::Instance().Find("test_logo"));
}

TEST(DataFilesBesideTheProgram, LayoutsCannotNestWithoutEnd) {
  ui::Panel row;
  // Deeper than any window: the caption file is refused whole ...
  const QByteArray deep = Nested(60000).toUtf8();
  EXPECT_FALSE(ReplaceFrequencyCaptions(&row, deep));
  EXPECT_TRUE(row.children().isEmpty());
  EXPECT_TRUE(ReplaceFrequencyCaptions(&row, Nested(20).toUtf8()));
  // ... and a fragment built directly stops at the deepest level built.
  ui::Panel other;
  EXPECT_TRUE(ui::BuildFragment(&other, "<root>" + deep + "</root>", true));
  EXPECT_LE(Depth(&other), 66);
  EXPECT_GE(Depth(&other), 60);
}

TEST(SingleInstance, LockAndSocketLiveInAFolderOfThisUserAlone) {
  PrivateFolders folders;
  // Short paths, so that a socket fits in each folder the console may choose.
  std::string tmpl = "/tmp/bds-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
  const QString root = QString::fromStdString(tmpl);
  QDir(root).mkpath("tmp");
  // No runtime folder to be had in the temporary folder either (another user
  // may have taken its usual name there): nothing may fall back to a shared folder.
  const passwd* me = ::getpwuid(::geteuid());
  ASSERT_NE(me, nullptr);
  QFile(root + "/tmp/runtime-" + QString::fromLocal8Bit(me->pw_name)).open(QIODevice::WriteOnly);
  const QByteArray oldTmp = qgetenv("TMPDIR");
  qputenv("TMPDIR", (root + "/tmp").toLocal8Bit());
  qputenv("XDG_DATA_HOME", (root + "/data").toLocal8Bit());
  const QString plain = root + "/plain";
  QFile(plain).open(QIODevice::WriteOnly);
  QDir(root).mkpath("open");
  QFile::setPermissions(root + "/open", QFileDevice::Permissions(0x7777));  // every one may write
  QDir(root).mkpath("theirs");
  const bool isRoot = ::geteuid() == 0;
  if (isRoot) {
    ASSERT_EQ(::chown(QFile::encodeName(root + "/theirs").constData(), 65534, 65534), 0);
  }
  struct Case {
    QString runtime, data;
  };
  const Case cases[] = {{plain, root + "/data"}, {root + "/open", root + "/data"},
                        {isRoot ? root + "/theirs" : plain, root + "/data"}, {plain, plain}};
  for (const Case& c : cases) {
    qputenv("XDG_RUNTIME_DIR", c.runtime.toLocal8Bit());
    qputenv("XDG_DATA_HOME", c.data.toLocal8Bit());
    InstanceLock lock;
    ASSERT_TRUE(lock.Acquire()) << lock.CreateError().toStdString();
    const QString folder = QFileInfo(lock.FilePath()).path();
    EXPECT_NE(folder, c.runtime);
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &st), 0) << folder.toStdString();
    EXPECT_TRUE(S_ISDIR(st.st_mode)) << folder.toStdString();
    EXPECT_EQ(st.st_uid, ::geteuid()) << folder.toStdString();
    EXPECT_EQ(st.st_mode & 077, 0u) << folder.toStdString();  // nobody else may enter
    int raised = 0;
    BringForwardListener listener([&] { ++raised; });
    ASSERT_TRUE(listener.Listen());
    EXPECT_EQ(QFileInfo(listener.ServerPath()).path(), folder);
    EXPECT_TRUE(RequestBringForward());
    EXPECT_TRUE(WaitUntil([&] { return raised == 1; }, 10000));
  }
  // Nowhere fit: the start is refused with the reason, never in a shared folder.
  qputenv("XDG_RUNTIME_DIR", plain.toLocal8Bit());
  qputenv("XDG_DATA_HOME", plain.toLocal8Bit());
  qputenv("TMPDIR", plain.toLocal8Bit());
  InstanceLock refused;
  EXPECT_FALSE(refused.Acquire());
  EXPECT_TRUE(refused.CreateError().contains("no folder of this user alone")) << refused.CreateError().toStdString();
  EXPECT_FALSE(RequestBringForward());
  qputenv("TMPDIR", oldTmp);
  if (oldTmp.isNull()) qunsetenv("TMPDIR");
  std::error_code ec;
  fs::remove_all(tmpl, ec);
}

TEST(ControlChannelLimits, ALineLongerThanAnyCommandDropsThePeer) {
  PrivateFolders folders;
  StartedConsole console(false);
  ASSERT_TRUE(console.ok);
  demo::ControlChannel channel(*console.app);
  const QString path = folders.RunFolder() + "/control";
  ASSERT_TRUE(channel.Listen(path));
  QLocalSocket flood;
  flood.connectToServer(path);
  ASSERT_TRUE(flood.waitForConnected(5000));
  flood.write(QByteArray(200 * 1024, 'x'));
  flood.flush();
  EXPECT_TRUE(WaitUntil([&] { return flood.state() == QLocalSocket::UnconnectedState; }, 20000));
  // The channel goes on serving others.
  QLocalSocket next;
  next.connectToServer(path);
  ASSERT_TRUE(next.waitForConnected(5000));
  next.write("status\n");
  next.flush();
  EXPECT_TRUE(WaitUntil([&] { return next.canReadLine(); }, 10000));
  EXPECT_TRUE(next.readLine().startsWith("splash="));
}

// ---- PC modes shared with brisvelctl

struct Answers {
  Answers() {
    ui::SetMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
      texts.push_back(r.text);
      return r.buttons == ui::MessageButtons::YesNo ? ui::kIdYes : ui::kIdOk;
    });
  }
  ~Answers() { ui::SetMessageBoxResponder({}); }
  int Count(const QString& words) const {
    return static_cast<int>(std::count_if(texts.begin(), texts.end(), [&](const QString& t) { return t.contains(words); }));
  }
  std::vector<QString> texts;
};

class SharedPCModes : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ec;
    tool_ = fs::read_symlink("/proc/self/exe", ec).parent_path() / "src" / "cli" / "brisvelctl";
    if (ec || !fs::exists(tool_)) GTEST_SKIP() << "brisvelctl not built here";
    folders_.WriteConfig("[Config]\nLang = 1\n");
    console_ = std::make_unique<StartedConsole>(false);
    ASSERT_TRUE(console_->ok);
    block_ = folders_.Root().toStdString() + "/block.bin";
    ASSERT_EQ(Tool("block factory -o " + block_), 0);
  }
  void TearDown() override {
    dlg_.reset();
    console_.reset();
  }
  int Tool(const std::string& args) const {
    const std::string line = "'" + tool_.string() + "' " + args + " >/dev/null 2>&1";
    return std::system(line.c_str());
  }
  int AddWithTool(const std::string& name) const {
    return Tool("pcmode --config '" + console_->app->Config().Path().string() + "' add '" + name + "' --from " + block_);
  }
  void Open() {
    context_ = std::make_unique<presets::PresetContext>(
        presets::PresetContext{console_->app->Config(), console_->app->Store()});
    context_->language = 1;
    dlg_ = std::make_unique<presets::CSysSettingDlg>(QString::fromLatin1(ids::kMyPresetLayout), nullptr, *context_);
    ASSERT_TRUE(dlg_->Create());
    dlg_->show();
    QApplication::processEvents();
  }
  ui::ComboBox* Combo() { return dlg_->Find<ui::ComboBox>(QString::fromLatin1(ids::kPCMode)); }
  std::vector<std::string> Shown() {
    std::vector<std::string> names;
    for (int i = 0; i < Combo()->count(); ++i) names.push_back(Combo()->itemText(i).toStdString());
    return names;
  }
  std::vector<std::string> Stored() const {
    settings::ConfigIni config(console_->app->Config().Path());
    config.Load();
    std::vector<std::string> names;
    for (const PCModeRecord& r : config.LoadPCModes()) names.push_back(r.Name());
    return names;
  }
  void Click(const char* name) {
    QWidget* w = dlg_->FindByName(QString::fromLatin1(name));
    ASSERT_NE(w, nullptr) << name;
    QTest::mouseClick(w, Qt::LeftButton);
  }

  PrivateFolders folders_;
  fs::path tool_;
  std::string block_;
  std::unique_ptr<StartedConsole> console_;
  std::unique_ptr<presets::PresetContext> context_;
  std::unique_ptr<presets::CSysSettingDlg> dlg_;
};

TEST_F(SharedPCModes, TheConsoleAndBrisvelctlLoseNoneOfEachOthersModes) {
  Answers answers;
  Open();
  std::atomic<int> toolFailures{0};
  std::thread tool([&] {
    for (int i = 0; i < 12; ++i) toolFailures += AddWithTool("cli" + std::to_string(i)) != 0;
  });
  std::vector<std::string> kept;
  for (int i = 0; i < 12; ++i) {
    const std::string name = "ui" + std::to_string(i);
    dlg_->Find<ui::Edit>(QString::fromLatin1(ids::kNameInput))->setText(QString::fromStdString(name));
    Click(ids::kAddPCMode);
    ASSERT_EQ(Combo()->currentText().toStdString(), name);
    if (i % 3 == 1) {
      Click(ids::kDeletePCMode);  // the one just added, wherever the tool's modes put it
    } else {
      kept.push_back(name);
    }
    QApplication::processEvents();
  }
  tool.join();
  EXPECT_EQ(toolFailures, 0);
  const std::vector<std::string> stored = Stored();
  for (int i = 0; i < 12; ++i) {
    EXPECT_NE(std::find(stored.begin(), stored.end(), "cli" + std::to_string(i)), stored.end()) << i;
  }
  for (const std::string& name : kept) EXPECT_NE(std::find(stored.begin(), stored.end(), name), stored.end()) << name;
  EXPECT_EQ(stored.size(), 12u + kept.size());
  // The language saved now keeps them all too.
  console_->app->SwitchLanguage(0);
  EXPECT_EQ(Stored(), stored);
  // The open dialog follows the file.
  EXPECT_TRUE(WaitUntil([&] { return Shown() == stored; }, 10000)) << ::testing::PrintToString(Shown()) << "\n"
                                                                  << ::testing::PrintToString(stored);
  EXPECT_EQ(answers.Count("could not be saved"), 0);
}

TEST_F(SharedPCModes, AModeAddedOutsideAppearsAndUnreadableOnesAreToldOnce) {
  Answers answers;
  std::string bad(2414, '0');
  folders_.WriteConfig(QByteArray("[Config]\nLang = 1\n[PCMode]\nCount = 1\n0 = ") + bad.c_str() +
                       "\n[PCModeName]\n0 = Damaged\n");
  console_->app->Config().Load();
  Open();
  EXPECT_TRUE(WaitUntil([&] { return answers.Count("cannot be read") == 1; }, 5000));
  EXPECT_EQ(answers.Count("Damaged"), 1);
  ASSERT_EQ(AddWithTool("outside"), 0);
  EXPECT_TRUE(WaitUntil([&] { return Shown() == std::vector<std::string>{"outside"}; }, 10000));
  dlg_.reset();
  Open();  // told once per run
  QTest::qWait(100);
  EXPECT_EQ(answers.Count("cannot be read"), 1);
  EXPECT_NE(folders_.ReadConfig().indexOf(bad.c_str()), -1);
}

}  // namespace
}  // namespace brisvel::app
