// The real program as a native Wayland client of a real compositor (Weston).
// Captures come from Weston's own screenshooter, so they show what the
// compositor composed: the desktop must show through the skin's cut pixels.
//
// Weston's headless output has no input devices, so the pointer journey
// (drag, clicks through the cut pixels, compact mode) runs on Weston's X11
// output inside this test's virtual X server, driven by xdotool: real
// pointer events that reach the program through the compositor.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>

#include "platform/image/decode.h"
#include "support/temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kDesktop = 0xff3060a0;  // Weston's background, set in its configuration

// The bound is generous: a sanitizer build on a busy machine starts in tens of seconds.
bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds bound = std::chrono::seconds(60)) {
    const auto end = Clock::now() + bound;
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// A child process with its own environment: this one's, with some names
// set ("NAME=value") or removed ("NAME").
class Child {
  public:
    Child(const std::vector<std::string>& argv, const std::vector<std::string>& changes) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            bool changed = false;
            for (const std::string& c : changes) changed |= c.substr(0, c.find('=')) == name;
            if (!changed) env.push_back(entry);
        }
        for (const std::string& c : changes)
            if (c.find('=') != std::string::npos) env.push_back(c);
        std::vector<char*> args, envp;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
        args.push_back(nullptr);
        envp.push_back(nullptr);
        if (posix_spawnp(&pid_, args[0], nullptr, nullptr, args.data(), envp.data()) != 0) pid_ = 0;
    }
    ~Child() {
        if (pid_ <= 0 || status()) return;
        kill(pid_, SIGTERM);  // Weston then ends its own helper clients
        if (!waitFor([&] { return status().has_value(); }, std::chrono::seconds(5))) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool started() const { return pid_ > 0; }
    // The exit status once the child has ended.
    std::optional<int> status() {
        int raw = 0;
        if (!status_ && pid_ > 0 && waitpid(pid_, &raw, WNOHANG) == pid_)
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return status_;
    }

  private:
    pid_t pid_ = 0;
    std::optional<int> status_;
};

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
};

uint32_t pixel(const image::Picture& p, int x, int y) {
    return p.argb[size_t(y) * p.width + x] | 0xff000000;
}

// The program's window in a capture: the band of rows that are mostly not
// desktop (the pointer is far smaller), measured on the band's middle row.
std::optional<Box> findWindow(const image::Picture& p) {
    int top = -1, bottom = -1;
    for (int y = 0; y < p.height; ++y) {
        int covered = 0;
        for (int x = 0; x < p.width; ++x) covered += pixel(p, x, y) != kDesktop;
        if (covered > 300) {
            if (top < 0) top = y;
            bottom = y + 1;
        }
    }
    if (top < 0) return std::nullopt;
    const int middle = (top + bottom) / 2;
    int left = -1, right = -1;
    for (int x = 0; x < p.width; ++x) {
        if (pixel(p, x, middle) == kDesktop) continue;
        if (left < 0) left = x;
        right = x + 1;
    }
    return Box{left, top, right - left, bottom - top};
}

// One Weston on its own socket and runtime folder, with a plain desktop.
class Weston {
  public:
    explicit Weston(const std::vector<std::string>& backend)
        : socket_("kestrel-" + std::to_string(getpid())) {
        chmod(runtime_.path().c_str(), 0700);
        testsupport::writeFile(
            dir_ / "weston.ini",
            "[core]\nidle-time=0\n[shell]\nbackground-color=0xff3060a0\npanel-position=none\n");
        std::vector<std::string> argv = {
            "weston", "--socket=" + socket_, "--config=" + (dir_ / "weston.ini").string(),
            "--log=" + (dir_ / "weston.log").string(), "--debug"};  // --debug offers the screenshooter
        argv.insert(argv.end(), backend.begin(), backend.end());
        weston_.emplace(argv,
                        std::vector<std::string>{"XDG_RUNTIME_DIR=" + runtime_.str(), "WAYLAND_DISPLAY"});
        const fs::path socket = runtime_ / socket_;
        running_ = weston_->started() && waitFor([&] { return fs::exists(socket) || weston_->status(); }) &&
                   !weston_->status();
    }
    bool running() const { return running_; }
    std::string log() const { return testsupport::readFile(dir_ / "weston.log"); }
    std::vector<std::string> clientEnvironment() const {
        return {"XDG_RUNTIME_DIR=" + runtime_.str(), "WAYLAND_DISPLAY=" + socket_, "QT_QPA_PLATFORM=wayland",
                "DISPLAY", "KESTREL_AUTO_OK=1"};
    }
    // What the compositor shows now.
    std::optional<image::Picture> capture() const {
        const fs::path shots = dir_ / "shots";
        fs::remove_all(shots);
        fs::create_directory(shots);
        const std::string command = "cd '" + shots.string() + "' && XDG_RUNTIME_DIR='" + runtime_.str() +
                                    "' WAYLAND_DISPLAY=" + socket_ + " weston-screenshooter >/dev/null 2>&1";
        if (testsupport::run(command) != 0) return std::nullopt;
        for (const auto& entry : fs::directory_iterator(shots)) {
            if (const char* keep = std::getenv("KESTREL_WAYLAND_SHOTS"))
                fs::copy_file(entry.path(), fs::path(keep) / ("shot-" + std::to_string(++shots_) + ".png"),
                              fs::copy_options::overwrite_existing);
            return image::decodeFile(entry.path().string());
        }
        return std::nullopt;
    }
    // Captures until the window is found and `done` holds for it.
    std::optional<Box> waitForWindow(const std::function<bool(const Box&)>& done,
                                     image::Picture* last = nullptr) const {
        std::optional<Box> found;
        waitFor([&] {
            auto shot = capture();
            found = shot ? findWindow(*shot) : std::nullopt;
            if (last && shot) *last = std::move(*shot);
            return found && done(*found);
        });
        return found && done(*found) ? found : std::nullopt;
    }

  private:
    testsupport::TempDir runtime_, dir_;
    std::string socket_;
    std::optional<Child> weston_;
    bool running_ = false;
    static inline int shots_ = 0;  // numbers the kept captures of the whole run
};

class WaylandProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::copy(fs::path(KESTREL_SOURCE_DIR) / "data", work_.path(),
                              fs::copy_options::recursive);
        cwd_.emplace(work_.path());
    }
    // Weston with the given backend, then the program on it; skips when Weston cannot start.
    void start(const std::vector<std::string>& backend) {
        weston_.emplace(backend);
        if (!weston_->running())
            GTEST_SKIP() << "Weston cannot start here, so the Wayland path is not tested:\n"
                         << weston_->log();
        program_.emplace(std::vector<std::string>{std::string(KESTREL_BINARY_DIR) + "/kestrel-player"},
                         weston_->clientEnvironment());
        ASSERT_TRUE(program_->started());
    }

    testsupport::TempDir work_;
    std::optional<testsupport::ScopedCwd> cwd_;
    std::optional<Weston> weston_;
    std::optional<Child> program_;  // ends before its compositor
};

std::string pointer(int x, int y) {
    return " mousemove " + std::to_string(x) + " " + std::to_string(y);
}

// Weston's X11 output follows the X pointer by relative motion from where it
// last entered: the pointer leaves its window (1024x768 at the origin of a
// larger screen) and comes back, so Weston starts from where X has it.
std::string enter(int x, int y) {
    return pointer(1270, 1010) + " sleep 0.1" + pointer(x, y);
}

}  // namespace

TEST_F(WaylandProgram, ShowsTheDesktopThroughTheCutCornersOfTheSkin) {
    start({"--backend=headless-backend.so", "--use-pixman", "--width=1024", "--height=768"});
    if (IsSkipped() || HasFatalFailure()) return;
    const Weston& weston = *weston_;
    image::Picture shot;
    const auto window = weston.waitForWindow([](const Box& b) { return b.h == 400; }, &shot);
    ASSERT_TRUE(window) << "no 400-pixel-high window was composed";
    const Box w = *window;
    // The skin's last columns are key colour: they are cut too.
    EXPECT_GT(w.w, 700);
    EXPECT_LT(w.w, 727);
    for (auto [x, y] :
         {std::pair{w.x, w.y}, {w.x + w.w - 1, w.y}, {w.x, w.y + w.h - 1}, {w.x + w.w - 1, w.y + w.h - 1}})
        EXPECT_EQ(pixel(shot, x, y), kDesktop) << "corner at " << x << "," << y;
    for (auto [x, y] :
         {std::pair{w.x + 8, w.y + 8}, {w.x + w.w / 2, w.y + w.h / 2}, {w.x + 8, w.y + w.h - 9}})
        EXPECT_NE(pixel(shot, x, y), kDesktop) << "skin at " << x << "," << y;
}

TEST_F(WaylandProgram, MovesCompactsAndLetsClicksThroughTheCutPixels) {
    // Weston's X11 output sits at the root's origin: no window manager runs here.
    start({"--backend=x11-backend.so", "--use-pixman", "--width=1024", "--height=768"});
    if (IsSkipped() || HasFatalFailure()) return;
    const Weston& weston = *weston_;
    auto window = weston.waitForWindow([](const Box& b) { return b.h == 400; });
    ASSERT_TRUE(window);
    Box w = *window;
    auto input = [](const std::string& actions) { ASSERT_EQ(testsupport::run("xdotool" + actions), 0); };
    // A user's pace: the press reaches the program, which asks the compositor to move.
    auto drag = [&](int x, int y, int dx, int dy) {
        input(enter(x, y) + " mousedown 1 sleep 0.4" + pointer(x + dx / 2, y + dy / 2) + " sleep 0.1" +
              pointer(x + dx, y + dy) + " sleep 0.2 mouseup 1");
    };

    // A drag starting on a cut pixel (the last columns) belongs to the desktop.
    drag(w.x + w.w + 1, w.y + 200, 30, 30);
    // A drag on the free skin is the compositor's move.
    drag(w.x + 300, w.y + 12, 40, 30);
    window = weston.waitForWindow([&](const Box& b) { return b.x != w.x || b.y != w.y; });
    ASSERT_TRUE(window) << "the window did not move with the drag";
    EXPECT_EQ(window->x - w.x, 40) << "a move of 30 or 70 was the drag that began on a cut pixel";
    EXPECT_EQ(window->y - w.y, 30);
    w = *window;

    // Right click on the title: compact mode, the desktop shows below the strip.
    input(enter(w.x + 30, w.y + 12) + " click 3");
    image::Picture shot;
    window = weston.waitForWindow([](const Box& b) { return b.h == 83; }, &shot);
    ASSERT_TRUE(window) << "compact mode did not shrink the window to its strip";
    EXPECT_EQ(pixel(shot, w.x + 300, w.y + 200), kDesktop);
    EXPECT_NE(pixel(shot, w.x + 300, w.y + 40), kDesktop);
    input(enter(w.x + 30, w.y + 12) + " click 3");
    ASSERT_TRUE(weston.waitForWindow([](const Box& b) { return b.h == 400; }));

    // The close button ends the program normally.
    input(enter(w.x + 708, w.y + 11) + " click 1");
    ASSERT_TRUE(waitFor([&] { return program_->status().has_value(); })) << "the program did not end";
    EXPECT_EQ(*program_->status(), 0);
}

TEST_F(WaylandProgram, WithoutACompositorFallsBackToX11OrSaysWhy) {
    const std::string program = std::string(KESTREL_BINARY_DIR) + "/kestrel-player";
    const std::string env =
        "XDG_RUNTIME_DIR='" + work_.str() + "' WAYLAND_DISPLAY=kestrel-nobody KESTREL_AUTO_OK=1 ";
    const fs::path said = work_ / "said.txt";
    EXPECT_NE(testsupport::run("env -u QT_QPA_PLATFORM -u DISPLAY " + env + "'" + program + "' 2>'" +
                               said.string() + "'"),
              0);
    EXPECT_NE(testsupport::readFile(said).find("no Wayland compositor"), std::string::npos)
        << testsupport::readFile(said);

    // With DISPLAY set the window opens on X11.
    Child onX11({"sh", "-c", "exec env -u QT_QPA_PLATFORM " + env + "'" + program + "'"}, {});
    EXPECT_TRUE(waitFor([] {
        return testsupport::run("xdotool search --onlyvisible --name 'Поиск MP3' >/dev/null") == 0;
    })) << "no X11 window appeared";
    EXPECT_FALSE(onX11.status().has_value());
}
