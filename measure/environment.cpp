#include "environment.h"

#include "xwindow.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cmath>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <thread>
#include <unistd.h>

namespace {

QString readLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readLine()).trimmed();
}

QString cpuModel()
{
    QFile file("/proc/cpuinfo");
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return "unknown";
    // /proc files have no size, so read to the end rather than test for it.
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    // x86 names its model; many ARM kernels only name the board or the core.
    for (const QString key : {"model name", "Hardware", "Model", "cpu model"})
        for (const QString &line : lines)
            if (const qsizetype colon = line.indexOf(':');
                colon > 0 && line.left(colon).trimmed() == key)
                return line.mid(colon + 1).simplified();
    return "unknown";
}

// The governor with its driver and energy preference where the kernel has them, and
// whether that setting holds the processor back.
std::pair<QString, bool> governor()
{
    const QString base = "/sys/devices/system/cpu/cpu0/cpufreq/";
    const QString name = readLine(base + "scaling_governor");
    if (name.isEmpty())
        return {"unknown", false};
    const QString driver = readLine(base + "scaling_driver");
    const QString preference = readLine(base + "energy_performance_preference");
    const QString profile = readLine("/sys/firmware/acpi/platform_profile");
    QStringList details{driver, preference, profile.isEmpty() ? "" : "profile " + profile};
    details.removeAll(QString());
    // With intel_pstate and amd-pstate, "powersave" is the usual dynamic setting; the
    // energy preference and the platform profile tell whether power comes first.
    const bool dynamicDriver = driver == "intel_pstate" || driver.startsWith("amd-pstate");
    const bool saving = (name == "powersave" && !dynamicDriver) || preference == "power" ||
                        profile == "low-power" || profile == "quiet";
    return {details.isEmpty() ? name : name + " (" + details.join(", ") + ")", saving};
}

QString powerSource()
{
    bool battery = false, discharging = false;
    const QDir dir("/sys/class/power_supply");
    for (const QString &supply : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (readLine(dir.filePath(supply + "/type")) == "Battery") {
            battery = true;
            discharging |= readLine(dir.filePath(supply + "/status")) == "Discharging";
        }
    // A battery that is charging, full or not charging is one on mains power.
    return discharging ? "battery" : battery ? "mains" : "no battery";
}

// utime + stime of a process in clock ticks, from /proc/PID/stat.
std::optional<long long> cpuTicks(pid_t pid)
{
    // The command name may hold spaces and parentheses; the fields follow the last ')':
    // state .. cmajflt (fields 3 to 13 of stat), then utime and stime.
    const QString stat = readLine(QString("/proc/%1/stat").arg(pid));
    const QStringList fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (pid <= 0 || stat.isEmpty() || fields.size() < 13)
        return std::nullopt;
    return fields[11].toLongLong() + fields[12].toLongLong();
}

ProcessorTimes processorTimes()
{
    // cpu user nice system idle iowait irq softirq steal; guest time is inside user already.
    const QStringList t = readLine("/proc/stat").split(' ', Qt::SkipEmptyParts);
    if (t.size() < 9 || t[0] != "cpu")
        return {};
    ProcessorTimes times;
    for (int i = 1; i <= 8; ++i)
        times.total += t[i].toDouble();
    times.busy = times.total - t[4].toDouble() - t[5].toDouble();
    return times;
}

// The refresh rate of the output that shows the screen's centre, where Plovex opens its
// window, when its mode has timings.
std::optional<double> refreshRate(Display *d)
{
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(d, &eventBase, &errorBase) || !XRRQueryVersion(d, &major, &minor) ||
        (major == 1 && minor < 3))
        return std::nullopt;
    const int x = DisplayWidth(d, DefaultScreen(d)) / 2, y = DisplayHeight(d, DefaultScreen(d)) / 2;
    XRRScreenResources *res = XRRGetScreenResourcesCurrent(d, DefaultRootWindow(d));
    std::optional<double> hz;
    for (int c = 0; res && c < res->ncrtc && !hz; ++c) {
        XRRCrtcInfo *crtc = XRRGetCrtcInfo(d, res, res->crtcs[c]);
        const bool shows = crtc && crtc->mode && x >= crtc->x && y >= crtc->y &&
                           x < crtc->x + int(crtc->width) && y < crtc->y + int(crtc->height);
        for (int m = 0; shows && m < res->nmode; ++m) {
            const XRRModeInfo &mode = res->modes[m];
            const double scans = mode.modeFlags & RR_DoubleScan ? 2 : 1;
            const double fields = mode.modeFlags & RR_Interlace ? 2 : 1;
            if (mode.id == crtc->mode && mode.dotClock && mode.hTotal && mode.vTotal)
                hz = double(mode.dotClock) * fields / (double(mode.hTotal) * mode.vTotal * scans);
        }
        if (crtc)
            XRRFreeCrtcInfo(crtc);
    }
    if (res)
        XRRFreeScreenResources(res);
    return hz;
}

// Xft.dpi and the scale variables a desktop may set for toolkits, "NAME=value" joined by
// spaces, or "none".
QString scaleSettings(Display *d)
{
    QStringList set;
    const char *resources = XResourceManagerString(d);
    const QRegularExpression dpi(R"(^Xft\.dpi:\s*(\S+))", QRegularExpression::MultilineOption);
    if (const auto match = dpi.match(QString::fromUtf8(resources ? resources : ""));
        match.hasMatch())
        set.append("Xft.dpi=" + match.captured(1));
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name :
         {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_ENABLE_HIGHDPI_SCALING",
          "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_FONT_DPI", "GDK_SCALE", "GDK_DPI_SCALE"})
        if (env.contains(name))
            set.append(QString(name) + "=" + env.value(name));
    return set.isEmpty() ? "none" : set.join(' ');
}

} // namespace

QStringList gatherMachine(Environment &e, std::chrono::milliseconds busySample)
{
    QStringList warnings;
    e.qtVersion = qVersion();
    e.cpuModel = cpuModel();
    e.cores = int(std::thread::hardware_concurrency());
    const auto [governorText, saving] = governor();
    e.governor = governorText;
    if (saving)
        warnings.append("the processor is set to save power (" + governorText +
                        "); scores will be lower and vary more");
    e.power = powerSource();
    if (e.power == "battery")
        warnings.append("the machine runs on battery, which may slow the processor down");
    utsname names{};
    if (uname(&names) == 0)
        e.kernel = QString("%1 %2 %3").arg(names.sysname, names.release, names.machine);
    e.loadAverage = readLine("/proc/loadavg").section(' ', 0, 0).toDouble();

    const ProcessorTimes t0 = processorTimes();
    std::this_thread::sleep_for(busySample);
    const ProcessorTimes t1 = processorTimes();
    const double busy = t1.total > t0.total ? (t1.busy - t0.busy) / (t1.total - t0.total) : 0.0;
    e.busyBeforePercent = std::round(busy * 1000) / 10;
    if (e.busyBeforePercent > kBusyWarningPercent)
        warnings.append(QString("other programs kept %1 % of the processor busy before the "
                                "first run (load average %2); close them for a fair score")
                            .arg(QString::number(e.busyBeforePercent, 'f', 0),
                                 QString::number(e.loadAverage, 'f', 2)));
    return warnings;
}

Sample sample(pid_t client, pid_t server)
{
    return {std::chrono::steady_clock::now(), cpuTicks(client), cpuTicks(server), processorTimes()};
}

std::optional<double> otherBusyPercent(const Sample &from, const Sample &to)
{
    const double total = to.machine.total - from.machine.total;
    if (!from.client || !to.client || !from.server || !to.server || total <= 0)
        return std::nullopt;
    const double ours = double(*to.client - *from.client + *to.server - *from.server);
    const double other = std::max(0.0, to.machine.busy - from.machine.busy - ours);
    return std::round(other / total * 1000) / 10;
}

std::optional<double> microsecondsPerFrame(const std::optional<long long> &from,
                                           const std::optional<long long> &to, long long frames)
{
    if (!from || !to || frames <= 0)
        return std::nullopt;
    const double us = double(*to - *from) * 1e6 / double(sysconf(_SC_CLK_TCK)) / double(frames);
    return std::round(us * 10) / 10; // clock ticks are 10 ms: more digits would be noise
}

pid_t serverProcess(Display *d)
{
    // Only a local socket has a peer process; over TCP the query fails.
    ucred peer{};
    socklen_t length = sizeof peer;
    return getsockopt(ConnectionNumber(d), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 ? peer.pid
                                                                                         : 0;
}

QStringList gatherDisplay(Environment &e, Display *d, pid_t serverPid)
{
    QStringList warnings;
    e.platform = "xcb";
    const QString program = readLine(QString("/proc/%1/comm").arg(serverPid)); // none for 0
    e.xServer = QString("%1%2 %3").arg(program.isEmpty() ? program : program + ", ",
                                       ServerVendor(d), QString::number(VendorRelease(d)));
    // Asked by name: the extension's own query complains on standard error when it is missing.
    int opcode = 0, event = 0, error = 0;
    e.mitShm = XQueryExtension(d, "MIT-SHM", &opcode, &event, &error);
    if (!e.mitShm)
        warnings.append("the X server offers no MIT-SHM (a remote display?): every frame "
                        "travels through the socket");
    // The window manager's and the compositing manager's names, or "none".
    using namespace xwindow;
    const int screen = DefaultScreen(d);
    const auto check = numbers(d, DefaultRootWindow(d), atom(d, "_NET_SUPPORTING_WM_CHECK"));
    const Window wm = check.empty() ? 0 : Window(check.front());
    e.windowManager = wm ? name(d, wm) : QString();
    if (e.windowManager.isEmpty())
        e.windowManager = wm ? "unnamed" : "none";
    const QByteArray selection = "_NET_WM_CM_S" + QByteArray::number(screen);
    const Window compositor = XGetSelectionOwner(d, atom(d, selection.constData()));
    e.compositor = compositor ? name(d, compositor) : "none";
    if (compositor && e.compositor.isEmpty())
        e.compositor = e.windowManager != "none" ? e.windowManager : "running, unnamed";
    e.screen = QString("%1x%2").arg(DisplayWidth(d, screen)).arg(DisplayHeight(d, screen));
    e.depth = DefaultDepth(d, screen);
    e.refreshHz = refreshRate(d);
    e.scale = scaleSettings(d);
    return warnings;
}
