// kelterm end to end: the program itself, started offscreen with COM3 mapped to a pseudo-terminal on
// which the head emulator answers, connects the head's row, sends "ID?" and shows the head's
// identification in its terminal, then closes (answering Yes to "Disconnect from COM3?").
#include "HeadEmulator.h"
#include "testkit/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace
{

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(KeltermEndToEnd, TheProgramConnectsAHeadAndShowsItsIdentification)
{
    kel::testkit::HeadEmulator head; // on a pseudo-terminal
    ASSERT_TRUE(head.IsRunning());
    kel::testkit::TempDir dir("kelterm-e2e-");
    std::filesystem::create_directories(dir / "no-ports");

    const std::filesystem::path script = dir / "session.txt";
    std::ofstream(script) << "# the head's row, its identification, then close\n"
                             "answer 6 Disconnect from COM3?\n"
                             "expect 1004 \n"
                             "select 1004 0\n"
                             "click 1002\n"
                             "expect 1002 Disconnect\n"
                             "type 1003 ID?\\r\n"
                             "expect 1003 ZOLKEL200VER1.02SN12345\n"
                             "close\n";

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
    {
        const std::string var = *e;
        if (var.rfind("KEL_COM_MAP=", 0) != 0 && var.rfind("KEL_UI_SCRIPT=", 0) != 0 &&
            var.rfind("KEL_SERIAL_CLASS_DIR=", 0) != 0 && var.rfind("QT_QPA_PLATFORM=", 0) != 0)
            env.push_back(var);
    }
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("KEL_COM_MAP=COM3=" + head.DevicePath());
    env.push_back("KEL_SERIAL_CLASS_DIR=" + (dir / "no-ports").string());
    env.push_back("KEL_UI_SCRIPT=" + script.string());
    std::vector<char*> envp;
    for (std::string& var : env)
        envp.push_back(var.data());
    envp.push_back(nullptr);

    const std::string log = (dir / "stderr.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    char program[] = KELTERM_PATH;
    char* argv[] = {program, nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program, &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);

    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    pid_t ended = 0;
    while ((ended = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (ended == 0)
    {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        FAIL() << "kelterm did not end:\n" << ReadFile(log);
    }
    const std::string output = ReadFile(log);
    ASSERT_TRUE(WIFEXITED(status)) << output;
    EXPECT_EQ(WEXITSTATUS(status), 0) << output;
    EXPECT_EQ(output.find("ui script: line"), std::string::npos) << output;
    EXPECT_EQ(output.find("unexpected prompt"), std::string::npos) << output;
    const std::vector<std::string> commands = head.Commands();
    // The list's probe asked first; the typed "ID?" came through the terminal byte for byte.
    EXPECT_GE(std::count(commands.begin(), commands.end(), "ID?"), 2) << output;
    EXPECT_NE(head.Received().find("ID?\r"), std::string::npos);
}

} // namespace
