// The advisory lock around shared files: one writer or many readers, a wait
// that ends when the holder lets go or the time limit passes, and a lock
// file that is created when missing. Two locks of one process conflict as
// two processes' would (each lock has its own descriptor or handle).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "settings/file_safety.h"
#include "settings/temp_folder.h"

namespace brisvel::settings {
namespace {

using Kind = FileLock::Kind;

class FileLockTest : public ::testing::Test {
 protected:
  testing::TempFolder dir_;
  std::filesystem::path file_ = dir_ / "config.ini.lock";
};

TEST_F(FileLockTest, OneWriterOrManyReaders) {
  FileLock writer;
  ASSERT_TRUE(writer.Acquire(file_, Kind::kExclusive, 0));
  EXPECT_TRUE(writer.Held());
  EXPECT_TRUE(std::filesystem::exists(file_));
  std::string why;
  FileLock other;
  EXPECT_FALSE(other.Acquire(file_, Kind::kExclusive, 0, &why));
  EXPECT_NE(why.find("locked by another program"), std::string::npos) << why;
  EXPECT_FALSE(other.Acquire(file_, Kind::kShared, 0));
  EXPECT_FALSE(other.Held());

  writer.Release();
  FileLock reader;
  ASSERT_TRUE(reader.Acquire(file_, Kind::kShared, 0));
  EXPECT_TRUE(other.Acquire(file_, Kind::kShared, 0));
  EXPECT_FALSE(writer.Acquire(file_, Kind::kExclusive, 0));
  reader.Release();
  other.Release();
  EXPECT_TRUE(writer.Acquire(file_, Kind::kExclusive, 0));
}

TEST_F(FileLockTest, AWaitEndsWhenTheHolderLetsGo) {
  auto holder = std::make_unique<FileLock>();
  ASSERT_TRUE(holder->Acquire(file_, Kind::kExclusive, 0));
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    holder.reset();  // destruction lets go
  });
  FileLock waiter;
  // The limit is far beyond the holder's time: the wait ends by the release, not by the limit.
  EXPECT_TRUE(waiter.Acquire(file_, Kind::kExclusive, 60000));
  release.join();
}

TEST_F(FileLockTest, AWaitGivesUpAtItsLimitAndMovesKeepTheLock) {
  FileLock holder;
  ASSERT_TRUE(holder.Acquire(file_, Kind::kExclusive, 0));
  FileLock waiter;
  EXPECT_FALSE(waiter.Acquire(file_, Kind::kShared, 50));

  FileLock moved(std::move(holder));
  EXPECT_FALSE(holder.Held());
  EXPECT_TRUE(moved.Held());
  EXPECT_FALSE(waiter.Acquire(file_, Kind::kShared, 0));
  FileLock assigned;
  assigned = std::move(moved);
  EXPECT_FALSE(waiter.Acquire(file_, Kind::kShared, 0));
  assigned = FileLock();  // assigning an empty lock releases the held one
  EXPECT_TRUE(waiter.Acquire(file_, Kind::kShared, 0));
}

TEST_F(FileLockTest, ALockFileThatCannotBeMadeIsReported) {
  std::string why;
  FileLock lock;
  EXPECT_FALSE(lock.Acquire(dir_ / "no-such-folder" / "x.lock", Kind::kExclusive, 0, &why));
  EXPECT_NE(why.find("cannot open the lock file"), std::string::npos) << why;
  EXPECT_FALSE(lock.Held());
}

}  // namespace
}  // namespace brisvel::settings
