// Connection state: an interface other than loopback is up and a default
// route leaves through it. Read from /proc/net/route (/proc/net/ipv6_route
// when IPv4 has no default) and the interface's flags: once, then again
// after each netlink notice, or every 250 ms where nobody takes notices;
// callers on the 35 ms refresh tick get the cached answer, which costs an
// atomic load.
#include <fcntl.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/route.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>

#include "platform/net/net_testing.h"

namespace net {
namespace {

constexpr auto recheckInterval = std::chrono::milliseconds(250);

// 0 = follow the system, 1 = forced off, 2 = forced on.
std::atomic<int> forced{0};
std::atomic<int64_t> checkedAtNs{INT64_MIN};
std::atomic<bool> cachedState{false};
std::atomic<bool> noticesTaken{false};  // a netlink socket tells of every change
std::mutex recheckMutex;                // one re-read at a time; others take the cache

std::string_view nextField(std::string_view& line) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        line = {};
        return {};
    }
    size_t end = line.find_first_of(" \t", start);
    std::string_view field =
        line.substr(start, end == std::string_view::npos ? line.size() - start : end - start);
    line = end == std::string_view::npos ? std::string_view{} : line.substr(end);
    return field;
}

unsigned long hexValue(std::string_view field) {
    unsigned long v = 0;
    for (char c : field) {
        int d = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
        if (d < 0) return 0;
        v = v * 16 + static_cast<unsigned>(d);
    }
    return v;
}

bool allZero(std::string_view field) {
    return !field.empty() && field.find_first_not_of('0') == std::string_view::npos;
}

template <class Fn>
void forEachLine(std::string_view text, Fn&& fn) {
    while (!text.empty()) {
        size_t nl = text.find('\n');
        fn(text.substr(0, nl));
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
}

std::string readSmallFile(const char* path) {
    std::string out;
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return out;
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0 || out.size() > (1u << 20)) break;
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return out;
}

// Up, running and not loopback, asked of the kernel for one interface.
bool interfaceUsable(std::string_view name) {
    static const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0 || name.empty() || name.size() >= IFNAMSIZ) return false;
    ifreq request{};
    name.copy(request.ifr_name, name.size());
    if (::ioctl(probe, SIOCGIFFLAGS, &request) != 0) return false;
    unsigned flags = static_cast<unsigned short>(request.ifr_flags);
    return (flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK);
}

// The IPv4 table first; the IPv6 table only when IPv4 has no way out.
bool readSystemState() {
    return hasDefaultRoute(readSmallFile("/proc/net/route"), "", interfaceUsable) ||
           hasDefaultRoute("", readSmallFile("/proc/net/ipv6_route"), interfaceUsable);
}

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

bool hasDefaultRoute(std::string_view ipv4Routes, std::string_view ipv6Routes,
                     const std::function<bool(std::string_view)>& isUsable) {
    bool found = false;
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ...; the first line is a header.
    forEachLine(ipv4Routes, [&](std::string_view line) {
        std::string_view iface = nextField(line), dest = nextField(line);
        nextField(line);  // gateway
        std::string_view flags = nextField(line);
        nextField(line), nextField(line), nextField(line);  // refcnt, use, metric
        std::string_view mask = nextField(line);
        if (found || iface == "Iface" || !allZero(dest) || !allZero(mask)) return;
        unsigned long f = hexValue(flags);
        if ((f & RTF_UP) && !(f & RTF_REJECT) && isUsable(iface)) found = true;
    });
    // dest prefixlen src srclen nexthop metric refcnt use flags iface
    forEachLine(ipv6Routes, [&](std::string_view line) {
        std::string_view dest = nextField(line), prefix = nextField(line);
        for (int i = 0; i < 6; ++i) nextField(line);
        std::string_view flags = nextField(line), iface = nextField(line);
        if (found || !allZero(dest) || !allZero(prefix) || iface.empty()) return;
        unsigned long f = hexValue(flags);
        if ((f & RTF_UP) && !(f & RTF_REJECT) && isUsable(iface)) found = true;
    });
    return found;
}

bool connected() {
    int f = forced.load(std::memory_order_relaxed);
    if (f) return f == 2;
    int64_t now = nowNs();
    int64_t last = checkedAtNs.load(std::memory_order_acquire);
    const bool fresh = last != INT64_MIN && (noticesTaken.load(std::memory_order_relaxed) ||
                                             now - last < std::chrono::nanoseconds(recheckInterval).count());
    if (fresh) return cachedState.load(std::memory_order_relaxed);
    std::unique_lock lock(recheckMutex, std::try_to_lock);
    if (!lock.owns_lock() && last != INT64_MIN) return cachedState.load(std::memory_order_relaxed);
    if (!lock.owns_lock()) lock.lock();
    bool state = readSystemState();
    cachedState.store(state, std::memory_order_relaxed);
    checkedAtNs.store(nowNs(), std::memory_order_release);
    return state;
}

int openConnectionNotices() {
    int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd < 0) return -1;
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups =
        RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_IFADDR | RTMGRP_IPV6_ROUTE;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return -1;
    }
    noticesTaken.store(true, std::memory_order_relaxed);
    return fd;
}

void connectionNotices(int fd) {
    // What changed does not matter: the state is read again when next asked.
    char buffer[8192];
    while (::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
    }
    checkedAtNs.store(INT64_MIN, std::memory_order_release);
}

void overrideConnected(std::optional<bool> state) {
    forced.store(state ? (*state ? 2 : 1) : 0, std::memory_order_relaxed);
    checkedAtNs.store(INT64_MIN, std::memory_order_release);
}

}  // namespace net
