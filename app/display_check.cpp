#include "app/display_check.h"

#include <QtCore/QDir>
#include <QtCore/QLibraryInfo>
#include <QtCore/QStringList>

#include <X11/Xlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// Whether one of the named platform plugins is where Qt looks for them.
bool PlatformPluginInstalled(const QStringList& fileNames)
{
    QStringList folders = QString::fromLocal8Bit(qgetenv("QT_PLUGIN_PATH"))
                              .split(QLatin1Char(':'), Qt::SkipEmptyParts);
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    for (const QString& folder : folders)
        for (const QString& fileName : fileNames)
            if (QDir(folder + QStringLiteral("/platforms")).exists(fileName))
                return true;
    return false;
}

std::optional<std::string> X11Problem()
{
    const std::string name = Environment("DISPLAY");
    if (name.empty())
        return "DISPLAY is not set";
    Display* display = XOpenDisplay(name.c_str());
    if (display == nullptr)
        return "cannot open display " + Quoted(name) +
               ": is the X server running? (or run under xvfb-run)";
    XCloseDisplay(display);
    if (!PlatformPluginInstalled({QStringLiteral("libqxcb.so")}))
        return "Qt's X11 platform plugin is not installed (Debian package qt6-qpa-plugins)";
    return std::nullopt;
}

// Connects to the compositor's socket the way libwayland-client finds it.
std::optional<std::string> WaylandProblem()
{
    const std::string name = Environment("WAYLAND_DISPLAY");
    if (name.empty())
        return "WAYLAND_DISPLAY is not set";
    std::string path = name;
    if (name.front() != '/') {
        const std::string runtime = Environment("XDG_RUNTIME_DIR");
        if (runtime.empty())
            return "cannot find Wayland display " + Quoted(name) + ": XDG_RUNTIME_DIR is not set";
        path = runtime + "/" + name;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return "cannot connect to Wayland display " + Quoted(name) + ": socket path too long";
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    const int socketFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socketFd < 0)
        return std::string("cannot create a socket: ") + std::strerror(errno);
    const bool connected =
        connect(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const int connectError = errno;
    close(socketFd);
    if (!connected)
        return "cannot connect to Wayland display " + Quoted(name) + " (" + path +
               "): " + std::strerror(connectError);
    if (!PlatformPluginInstalled(
            {QStringLiteral("libqwayland-generic.so"), QStringLiteral("libqwayland-egl.so")}))
        return "Wayland display " + Quoted(name) +
               " is reachable, but Qt's Wayland platform plugin is not installed (Debian package "
               "qt6-wayland)";
    return std::nullopt;
}

// Nothing when Qt can start with this platform; unknown platforms are the
// user's own business and pass unchecked.
std::optional<std::string> PlatformProblem(const std::string& platform)
{
    const std::string_view name = std::string_view(platform).substr(0, platform.find(':'));
    if (name == "xcb")
        return X11Problem();
    if (name.starts_with("wayland"))
        return WaylandProblem();
    return std::nullopt;
}

}  // namespace

DisplaySelection SelectDisplay()
{
    const std::string requested = Environment("QT_QPA_PLATFORM");
    std::vector<std::string> candidates;
    for (std::size_t start = 0; start <= requested.size();) {
        const std::size_t end = std::min(requested.find(';', start), requested.size());
        if (end > start)
            candidates.push_back(requested.substr(start, end - start));
        start = end + 1;
    }

    std::string problems;
    if (candidates.empty()) {
        // Wayland first: the view draws as fast there as on X11, and in a
        // Wayland session DISPLAY usually names XWayland, one more hop.
        const bool hasX11 = !Environment("DISPLAY").empty();
        const bool hasWayland = !Environment("WAYLAND_DISPLAY").empty();
        if (!hasX11 && !hasWayland)
            return {false, "no display: set DISPLAY or WAYLAND_DISPLAY, or run under xvfb-run"};
        if (hasWayland)
            candidates.push_back("wayland");
        if (hasX11)
            candidates.push_back("xcb");
    }
    for (const std::string& platform : candidates) {
        const std::optional<std::string> problem = PlatformProblem(platform);
        if (!problem) {
            setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
            return {true, {}};
        }
        problems += (problems.empty() ? "" : "; ") + *problem;
    }
    if (!requested.empty())
        return {false, "no usable display for QT_QPA_PLATFORM=" + requested + ": " + problems};
    return {false, "no usable display: " + problems};
}
