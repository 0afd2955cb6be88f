// The program started as a user starts it: its own entry point on a display
// of its own, again and again, with no window manager and under one. Without
// one, the display is started so that it ends as soon as its last client
// leaves (the strict form of the server reset that a display without other
// clients goes through), so anything that connects and disconnects before
// the toolkit's own connection ends the start at once. Under a window manager
// the open dialog shown at start must be the window on top, owned by the
// main window, and take the keys: Esc cancels it, Alt+F4 closes the program;
// the window comes up maximised and un-maximises to the size it started with.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/testutil.h"

extern char** environ;

namespace {

using qzntest::RunCommand;
using qzntest::TempDir;

const std::string kQzn = std::string(QZN_BINARY_DIR) + "/qzn";
// Limits that end a wait which the event it waits for never ends; the
// checks themselves wait for events (a display's number, a file, a paint,
// a property of the window manager), never for a time.
constexpr auto kGiveUp = std::chrono::seconds(60);
constexpr auto kPoll = std::chrono::milliseconds(5);

// A process of the test's own, ended by its id when the object goes.
class Child {
 public:
  Child() = default;
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& output = "") {
    std::vector<char*> a, e;
    for (const std::string& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    for (const std::string& s : env) e.push_back(const_cast<char*>(s.c_str()));
    e.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (!output.empty()) {
      posix_spawn_file_actions_addopen(&fa, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      posix_spawn_file_actions_adddup2(&fa, 1, 2);
    }
    if (posix_spawnp(&m_pid, a[0], &fa, nullptr, a.data(), e.data()) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&fa);
  }
  Child(Child&& o) noexcept : m_pid(o.m_pid), m_status(o.m_status) { o.m_pid = -1; }
  Child& operator=(Child&& o) noexcept {
    End();
    m_pid = o.m_pid;
    m_status = o.m_status;
    o.m_pid = -1;
    return *this;
  }
  ~Child() { End(); }

  bool Started() const { return m_pid > 0; }
  // True once the process has ended (its status is kept).
  bool Ended() {
    if (m_pid <= 0) return true;
    int st = 0;
    if (waitpid(m_pid, &st, WNOHANG) != m_pid) return false;
    m_status = st;
    m_pid = -1;
    return true;
  }
  // Waits for the end, up to the give-up limit; false when it did not come.
  bool WaitEnd() {
    const auto until = std::chrono::steady_clock::now() + kGiveUp;
    while (!Ended())
      if (std::chrono::steady_clock::now() > until)
        return false;
      else
        std::this_thread::sleep_for(kPoll);
    return true;
  }
  void End() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    int st = 0;
    waitpid(m_pid, &st, 0);
    m_status = st;
    m_pid = -1;
  }
  std::string Status() const {
    if (WIFEXITED(m_status)) return "exit status " + std::to_string(WEXITSTATUS(m_status));
    if (WIFSIGNALED(m_status)) return "signal " + std::to_string(WTERMSIG(m_status));
    return "?";
  }
  bool ExitedWith(int code) const { return WIFEXITED(m_status) && WEXITSTATUS(m_status) == code; }

 private:
  pid_t m_pid = -1;
  int m_status = 0;
};

std::vector<std::string> Environment(const std::vector<std::pair<std::string, std::string>>& set) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string s(*e);
    bool replaced = s.rfind("DBUS_SESSION_BUS_ADDRESS=", 0) == 0;
    for (const auto& [k, v] : set) replaced = replaced || s.rfind(k + "=", 0) == 0;
    if (!replaced) env.push_back(s);
  }
  for (const auto& [k, v] : set) env.push_back(k + "=" + v);
  return env;
}

template <class Condition>
bool WaitFor(Condition done) {
  const auto until = std::chrono::steady_clock::now() + kGiveUp;
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(kPoll);
  }
  return true;
}

// An Xvfb of the test's own on a free display number; its screen is also a
// file that the test reads without connecting.
class OwnDisplay {
 public:
  OwnDisplay(const TempDir& dir, bool endWithLastClient) : m_fbdir(dir.file("fb")) {
    std::filesystem::create_directories(m_fbdir);
    int fds[2];
    if (pipe(fds) != 0) return;
    std::vector<std::string> argv = {
        "Xvfb",   "-displayfd", std::to_string(fds[1]), "-screen", "0", "800x600x24", "-nolisten", "tcp",
        "-fbdir", m_fbdir};
    if (endWithLastClient) argv.push_back("-terminate");
    m_server = Child(argv, Environment({}), dir.file("xvfb.log"));
    close(fds[1]);
    // The server writes its number once it accepts clients.
    std::string number;
    char c;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, static_cast<int>(std::chrono::milliseconds(kGiveUp).count())) > 0 && read(fds[0], &c, 1) == 1 &&
           c != '\n')
      number += c;
    close(fds[0]);
    if (!number.empty()) m_name = ":" + number;
  }
  const std::string& Name() const { return m_name; }
  std::vector<std::uint8_t> Screen() const { return qzntest::ReadFileBytes(m_fbdir + "/Xvfb_screen0"); }
  // Runs an X client of the test (xprop, xdotool) on this display.
  int Run(const std::string& command, std::string* out = nullptr) const {
    return RunCommand("DISPLAY=" + m_name + " " + command + " 2>/dev/null", out);
  }

 private:
  std::string m_fbdir;
  Child m_server;
  std::string m_name;
};

Child StartQzn(const OwnDisplay& display, const TempDir& dir, const std::string& log) {
  return Child({kQzn},
               Environment({{"DISPLAY", display.Name()},
                            {"GDK_BACKEND", "x11"},
                            {"XDG_CONFIG_HOME", dir.path().string()},
                            {"NO_AT_BRIDGE", "1"}}),
               log);
}

// The window ids of a property as xprop prints them ("... # 0x400013, 0x40000e").
std::vector<unsigned long> WindowIds(const std::string& out) {
  std::vector<unsigned long> ids;
  const std::size_t hash = out.find('#');
  if (hash == std::string::npos) return ids;
  std::istringstream in(out.substr(hash + 1));
  std::string word;
  while (in >> word) ids.push_back(std::stoul(word, nullptr, 16));
  return ids;
}

std::vector<unsigned long> WindowList(const OwnDisplay& d, const std::string& property) {
  std::string out;
  d.Run("xprop -root " + property, &out);
  return WindowIds(out);
}

std::string WindowProperty(const OwnDisplay& d, unsigned long id, const std::string& property) {
  std::string out;
  d.Run("xprop -id " + std::to_string(id) + " " + property, &out);
  return out;
}

bool HaveTools(const std::vector<std::string>& tools) {
  for (const std::string& t : tools)
    if (!qzntest::HaveProgram(t)) return false;
  return true;
}

TEST(StartUp, TheWindowComesUpEveryTimeOnADisplayWithoutOtherClients) {
  QZN_REQUIRE_ORACLE(HaveTools({"Xvfb"}), "Xvfb");
  ASSERT_TRUE(std::filesystem::exists(kQzn));
  for (int run = 0; run < 10; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    TempDir dir;
    OwnDisplay display(dir, true);
    ASSERT_FALSE(display.Name().empty()) << qzntest::ReadFileText(dir.file("xvfb.log"));
    const std::vector<std::uint8_t> before = display.Screen();
    ASSERT_FALSE(before.empty());
    Child qzn = StartQzn(display, dir, dir.file("qzn.log"));
    ASSERT_TRUE(qzn.Started());
    // Up once its window has painted the screen; a failed start ends the
    // process first.
    bool painted = false;
    const bool decided = WaitFor([&] {
      if (qzn.Ended()) return true;
      painted = display.Screen() != before;
      return painted;
    });
    ASSERT_TRUE(decided) << "neither a window nor an end";
    ASSERT_TRUE(painted) << "the start ended with " << qzn.Status() << ":\n"
                         << qzntest::ReadFileText(dir.file("qzn.log"));
  }
}

// openbox on the display, once it has started (an ended process when not).
Child StartOpenbox(const OwnDisplay& d, const TempDir& dir) {
  const std::string ready = dir.file("wm-ready");
  Child wm({"openbox", "--sm-disable", "--startup", "touch " + ready},
           Environment({{"DISPLAY", d.Name()}, {"XDG_CONFIG_HOME", dir.path().string()}}), dir.file("wm.log"));
  EXPECT_TRUE(WaitFor([&] { return std::filesystem::exists(ready); })) << "the window manager did not start";
  return wm;
}

// A display of the test's own that openbox manages.
struct ManagedDisplay {
  ManagedDisplay() : display(dir, false) {
    if (!display.Name().empty()) wm = StartOpenbox(display, dir);
  }
  bool Up() { return !display.Name().empty() && wm.Started() && !wm.Ended(); }
  TempDir dir;
  OwnDisplay display;
  Child wm;
};

// The main window and its dialog as the window manager lists them (0 for
// none).
void ListedWindows(const OwnDisplay& d, unsigned long& frame, unsigned long& dialog) {
  frame = dialog = 0;
  for (unsigned long w : WindowList(d, "_NET_CLIENT_LIST")) {
    if (WindowProperty(d, w, "WM_TRANSIENT_FOR").find("window id") != std::string::npos)
      dialog = w;
    else
      frame = w;
  }
}

// Returns once the window manager has dealt with every request made before
// this one: it answers a change of the number of desktops after them.
bool WindowManagerCaughtUp(const OwnDisplay& d) {
  const auto desktops = [&] {
    std::string n;
    d.Run("xdotool get_num_desktops", &n);
    return std::atoi(n.c_str());
  };
  const int wanted = desktops() == 1 ? 2 : 1;
  d.Run("xdotool set_num_desktops " + std::to_string(wanted));
  return WaitFor([&] { return desktops() == wanted; });
}

TEST(StartUp, UnderAWindowManagerTheOpenDialogIsOnTopAndTakesTheKeys) {
  QZN_REQUIRE_ORACLE(HaveTools({"Xvfb", "openbox", "xdotool", "xprop"}), "Xvfb, openbox, xdotool and xprop");
  ASSERT_TRUE(std::filesystem::exists(kQzn));
  ManagedDisplay managed;
  ASSERT_TRUE(managed.Up());
  const OwnDisplay& display = managed.display;
  const TempDir& dir = managed.dir;
  for (int run = 0; run < 10; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    Child qzn = StartQzn(display, dir, dir.file("qzn.log"));
    ASSERT_TRUE(qzn.Started());
    // The main window and its dialog, as the window manager lists them.
    unsigned long frame = 0, dialog = 0;
    ASSERT_TRUE(WaitFor([&] {
      if (qzn.Ended()) return true;
      ListedWindows(display, frame, dialog);
      return frame && dialog;
    }));
    ASSERT_FALSE(qzn.Ended()) << qzn.Status() << ":\n" << qzntest::ReadFileText(dir.file("qzn.log"));
    EXPECT_EQ(WindowIds(WindowProperty(display, dialog, "WM_TRANSIENT_FOR")), std::vector<unsigned long>{frame})
        << "the open dialog is not owned by the main window";
    // Once the window manager has dealt with every request before this
    // one, the dialog must be above the main window and active.
    ASSERT_TRUE(WindowManagerCaughtUp(display));
    bool onTop = false;
    std::vector<unsigned long> stacking;
    unsigned long active = 0;
    WaitFor([&] {
      stacking = WindowList(display, "_NET_CLIENT_LIST_STACKING");
      const std::vector<unsigned long> a = WindowList(display, "_NET_ACTIVE_WINDOW");
      active = a.empty() ? 0 : a[0];
      const auto at = [&](unsigned long w) {
        return std::find(stacking.begin(), stacking.end(), w) - stacking.begin();
      };
      onTop = at(dialog) > at(frame) && active == dialog;
      return onTop;
    });
    ASSERT_TRUE(onTop) << "the open dialog is behind the main window or without the focus (active " << std::hex
                       << active << ", dialog " << dialog << ", frame " << frame << ")";
    // Esc cancels the dialog; Alt+F4 then closes the empty program.
    display.Run("xdotool key Escape");
    ASSERT_TRUE(WaitFor([&] {
      const std::vector<unsigned long> l = WindowList(display, "_NET_CLIENT_LIST");
      return std::find(l.begin(), l.end(), dialog) == l.end();
    }));
    display.Run("xdotool key alt+F4");
    ASSERT_TRUE(qzn.WaitEnd()) << "the program did not end";
    EXPECT_TRUE(qzn.ExitedWith(0)) << qzn.Status() << ":\n" << qzntest::ReadFileText(dir.file("qzn.log"));
  }
}

// The frame's size as the window manager has it: the client window's
// geometry and the frame's extents.
struct FrameGeometry {
  int x = 0, y = 0, width = 0, height = 0;
  int left = 0, right = 0, top = 0, bottom = 0;
};

FrameGeometry GeometryOf(const OwnDisplay& d, unsigned long id) {
  FrameGeometry g;
  std::string out;
  d.Run("xwininfo -id " + std::to_string(id), &out);
  const auto field = [&](const std::string& name, int& value) {
    const std::size_t at = out.find(name + ":");
    if (at != std::string::npos) value = std::atoi(out.c_str() + at + name.size() + 1);
  };
  field("Absolute upper-left X", g.x);
  field("Absolute upper-left Y", g.y);
  field("Width", g.width);
  field("Height", g.height);
  const std::string extents = WindowProperty(d, id, "_NET_FRAME_EXTENTS");
  std::sscanf(extents.c_str() + std::min(extents.find('='), extents.size()), "= %d, %d, %d, %d", &g.left, &g.right,
              &g.top, &g.bottom);
  return g;
}

TEST(StartUp, UnderAWindowManagerTheMaximisedWindowUnmaximisesToTheSizeItStartedWith) {
  QZN_REQUIRE_ORACLE(HaveTools({"Xvfb", "openbox", "xdotool", "xprop", "xwininfo"}),
                     "Xvfb, openbox, xdotool, xprop and xwininfo");
  ASSERT_TRUE(std::filesystem::exists(kQzn));
  ManagedDisplay managed;
  ASSERT_TRUE(managed.Up());
  const OwnDisplay& display = managed.display;
  const TempDir& dir = managed.dir;
  Child qzn = StartQzn(display, dir, dir.file("qzn.log"));
  ASSERT_TRUE(qzn.Started());
  const auto listed = [&](unsigned long& frame, unsigned long& dialog) { ListedWindows(display, frame, dialog); };
  unsigned long frame = 0, dialog = 0;
  ASSERT_TRUE(WaitFor([&] {
    listed(frame, dialog);
    return qzn.Ended() || (frame && dialog);
  }));
  ASSERT_FALSE(qzn.Ended()) << qzn.Status() << ":\n" << qzntest::ReadFileText(dir.file("qzn.log"));
  const auto maximised = [&] {
    const std::string state = WindowProperty(display, frame, "_NET_WM_STATE");
    return state.find("_NET_WM_STATE_MAXIMIZED_VERT") != std::string::npos &&
           state.find("_NET_WM_STATE_MAXIMIZED_HORZ") != std::string::npos;
  };
  ASSERT_TRUE(WaitFor(maximised)) << "the window did not come up maximised";
  // The open dialog of the start cancelled.
  display.Run("xdotool key Escape");
  ASSERT_TRUE(WaitFor([&] {
    listed(frame, dialog);
    return !dialog;
  }));
  // The user un-maximises it: a double click on its title bar.
  const FrameGeometry max = GeometryOf(display, frame);
  ASSERT_GT(max.top, 0) << "no title bar";
  display.Run("xdotool mousemove " + std::to_string(max.x + max.width / 2) + " " + std::to_string(max.y - max.top / 2) +
              " click --repeat 2 --delay 80 1");
  ASSERT_TRUE(WaitFor([&] { return !maximised(); })) << "the window manager did not un-maximise it";
  // Every request of the program's after the un-maximising is dealt with
  // once it has shown and closed its open dialog (Ctrl+O, Esc) and the
  // window manager has answered a request of the test's after that.
  display.Run("xdotool key ctrl+o");
  ASSERT_TRUE(WaitFor([&] {
    listed(frame, dialog);
    return dialog != 0;
  })) << "Ctrl+O showed no open dialog";
  display.Run("xdotool key Escape");
  ASSERT_TRUE(WaitFor([&] {
    listed(frame, dialog);
    return !dialog;
  }));
  ASSERT_TRUE(WindowManagerCaughtUp(display));
  // The size it started with: the screen's work area less the frame.
  std::string area;
  display.Run("xprop -root _NET_WORKAREA", &area);
  int workX = 0, workY = 0, workW = 0, workH = 0;
  std::sscanf(area.c_str() + std::min(area.find('='), area.size()), "= %d, %d, %d, %d", &workX, &workY, &workW, &workH);
  ASSERT_GT(workW, 0) << area;
  const FrameGeometry normal = GeometryOf(display, frame);
  EXPECT_EQ(normal.width, workW - normal.left - normal.right);
  EXPECT_EQ(normal.height, workH - normal.top - normal.bottom);
  display.Run("xdotool key alt+F4");
  EXPECT_TRUE(qzn.WaitEnd()) << "the program did not end";
}

}  // namespace
