// A save killed at any moment must leave the old content or the new one, never an empty or partial
// file. The saving runs in a helper process that is killed with SIGKILL at random moments.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

pid_t StartSaver(const std::string& helper, const std::string& target, const char* count) {
  std::string arg0 = helper, arg1 = target, arg2 = count;
  char* argv[] = {arg0.data(), arg1.data(), arg2.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, helper.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
  return pid;
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

TEST(PreferenceFileKill, KilledSaveLeavesOldOrNewContent) {
  const std::string helper = fs::read_symlink("/proc/self/exe").parent_path() / "pref_save_loop";
  ASSERT_EQ(access(helper.c_str(), X_OK), 0) << helper;
  char pattern[] = "/tmp/trovanto-kill-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;

  // The helper is the one source of both contents: one save gives A, two give B.
  std::string contents[2];
  for (int saves = 1; saves <= 2; ++saves) {
    const std::string path = dir + "/reference" + std::to_string(saves);
    pid_t pid = StartSaver(helper, path, saves == 1 ? "1" : "2");
    ASSERT_GT(pid, 0);
    int status = WaitFor(pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    contents[saves - 1] = Get(path);
  }
  const std::string& a = contents[0];
  const std::string& b = contents[1];
  ASSERT_FALSE(a.empty());
  ASSERT_NE(a.size(), b.size());

  const std::string target = dir + "/applications.dat";
  const std::string initial = "[Alt]\r\nDatei = alt.exe\r\n";
  std::ofstream(target, std::ios::binary) << initial;

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> delayUs(0, 120000);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(12);
  int kills = 0, saw[3] = {0, 0, 0};
  while (kills < 100 && std::chrono::steady_clock::now() < deadline) {
    pid_t pid = StartSaver(helper, target, "1000000");
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    kill(pid, SIGKILL);
    WaitFor(pid);
    ++kills;
    const std::string now = Get(target);
    if (now == initial) {
      ++saw[0];
    } else if (now == a) {
      ++saw[1];
    } else if (now == b) {
      ++saw[2];
    } else {
      ADD_FAILURE() << "kill " << kills << " left " << now.size() << " bytes that are neither old nor new";
      break;
    }
  }
  EXPECT_GE(kills, 50);
  // Otherwise every kill came before the first save and nothing was tested.
  EXPECT_GT(saw[1] + saw[2], kills / 4) << saw[0] << " old, " << saw[1] << " A, " << saw[2] << " B";
  std::error_code ignored;
  fs::remove_all(dir, ignored);
}

}  // namespace
