#include "result.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString &why)
{
    throw std::runtime_error(why.toStdString());
}

QJsonValue optional(const std::optional<double> &v)
{
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

double median(std::vector<double> v)
{
    return summarise(std::move(v)).median;
}

// Reads fields of one JSON object, naming the field's path in every complaint.
class Fields
{
public:
    Fields(const QJsonObject &object, QString path) : m_object(object), m_path(std::move(path)) {}

    QJsonValue value(const QString &key) const
    {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined())
            fail(where(key) + " is missing");
        return v;
    }
    QString string(const QString &key) const
    {
        const QJsonValue v = value(key);
        if (!v.isString())
            fail(where(key) + " is not a string");
        return v.toString();
    }
    bool boolean(const QString &key) const
    {
        const QJsonValue v = value(key);
        if (!v.isBool())
            fail(where(key) + " is not true or false");
        return v.toBool();
    }
    double number(const QString &key, double min = 0) const
    {
        const QJsonValue v = value(key);
        if (!v.isDouble() || !std::isfinite(v.toDouble()) || v.toDouble() < min)
            fail(where(key) + " is not a number of at least " + QString::number(min));
        return v.toDouble();
    }
    long long whole(const QString &key, long long min = 0) const
    {
        const double d = number(key, double(min));
        if (d != std::floor(d))
            fail(where(key) + " is not a whole number");
        return static_cast<long long>(d);
    }
    std::optional<double> maybeNumber(const QString &key) const
    {
        if (value(key).isNull())
            return std::nullopt;
        return number(key);
    }
    std::optional<long long> maybeWhole(const QString &key) const
    {
        if (value(key).isNull())
            return std::nullopt;
        return whole(key);
    }
    QJsonArray array(const QString &key) const
    {
        const QJsonValue v = value(key);
        if (!v.isArray())
            fail(where(key) + " is not a list");
        return v.toArray();
    }
    Fields object(const QString &key) const
    {
        const QJsonValue v = value(key);
        if (!v.isObject())
            fail(where(key) + " is not an object");
        return Fields(v.toObject(), where(key));
    }
    Fields element(const QJsonArray &array, const QString &key, qsizetype i) const
    {
        const QString path = where(key) + "[" + QString::number(i) + "]";
        if (!array.at(i).isObject())
            fail(path + " is not an object");
        return Fields(array.at(i).toObject(), path);
    }

private:
    QString where(const QString &key) const { return m_path.isEmpty() ? key : m_path + "." + key; }

    QJsonObject m_object;
    QString m_path;
};

QJsonObject environmentJson(const Environment &e)
{
    return {
        {"plovex_version", e.plovexVersion},
        {"qt_version", e.qtVersion},
        {"platform", e.platform},
        {"display", e.display},
        {"x_server", e.xServer},
        {"mit_shm", e.mitShm},
        {"compositor", e.compositor},
        {"window_manager", e.windowManager},
        {"refresh_hz", optional(e.refreshHz)},
        {"screen", e.screen},
        {"scale", e.scale},
        {"cpu_model", e.cpuModel},
        {"cores", e.cores},
        {"governor", e.governor},
        {"load_average", e.loadAverage},
        {"busy_before_percent", e.busyBeforePercent},
        {"power", e.power},
        {"kernel", e.kernel},
    };
}

Environment environmentFrom(const Fields &f)
{
    Environment e;
    e.plovexVersion = f.string("plovex_version");
    e.qtVersion = f.string("qt_version");
    e.platform = f.string("platform");
    e.display = f.string("display");
    e.xServer = f.string("x_server");
    e.mitShm = f.boolean("mit_shm");
    e.compositor = f.string("compositor");
    e.windowManager = f.string("window_manager");
    e.refreshHz = f.maybeNumber("refresh_hz");
    e.screen = f.string("screen");
    e.scale = f.string("scale");
    e.cpuModel = f.string("cpu_model");
    e.cores = int(f.whole("cores"));
    e.governor = f.string("governor");
    e.loadAverage = f.number("load_average");
    e.busyBeforePercent = f.number("busy_before_percent");
    e.power = f.string("power");
    e.kernel = f.string("kernel");
    return e;
}

QJsonObject summaryJson(const BenchResult &r)
{
    const Summary s = summarise(scores(r));
    const Limiter limiter = whatLimited(r);
    static constexpr const char *kinds[] = {"refresh-cap", "plovex", "x-server", "unknown"};
    const std::optional<double> limit = medianLimitFps(r);
    return {
        {"runs", s.runs},
        {"median", s.median},
        {"min", s.min},
        {"max", s.max},
        {"mean", s.mean},
        {"cv_percent", s.cv * 100},
        {"median_interval", QJsonObject{{"low", s.interval.low},
                                        {"high", s.interval.high},
                                        {"confidence_percent", s.interval.confidence * 100}}},
        {"unstable", s.cv > kUnstableCv},
        {"runs_needed", s.cv > kUnstableCv ? QJsonValue(runsNeeded(s.cv)) : QJsonValue()},
        {"limit_fps_median", optional(limit)},
        {"percent_of_limit", limit ? QJsonValue(s.median / *limit * 100) : QJsonValue()},
        {"limited_by", QJsonObject{{"kind", kinds[int(limiter.kind)]}, {"text", limiter.text}}},
    };
}

} // namespace

std::vector<double> scores(const BenchResult &result)
{
    std::vector<double> v;
    for (const PlovexRun &run : result.runs)
        v.push_back(run.score);
    return v;
}

std::optional<double> medianLimitFps(const BenchResult &result)
{
    if (result.limitRuns.empty())
        return std::nullopt;
    std::vector<double> v;
    for (const LimitRun &run : result.limitRuns)
        v.push_back(run.fps);
    return median(v);
}

Limiter whatLimited(const BenchResult &result)
{
    if (result.runs.empty())
        return {Limiter::Kind::Unknown, "no runs"};
    const double score = median(scores(result));
    if (const auto hz = result.environment.refreshHz; hz && *hz > 0) {
        static constexpr const char *fractions[] = {"", "half of ", "a third of ", "a quarter of "};
        for (int k = 1; k <= 4; ++k) {
            const double capped = *hz / k;
            if (std::abs(score - capped) <= std::max(1.0, 0.02 * capped))
                return {Limiter::Kind::RefreshCap,
                        QString("the median sits at %1the display's refresh rate (%2 Hz): vsync "
                                "or a compositor held the frames back, so this score does not "
                                "rank the machine")
                            .arg(fractions[k - 1])
                            .arg(*hz, 0, 'f', 1)};
        }
    }

    std::vector<double> client, server;
    long long frames = 0, pipelined = 0;
    bool reported = false;
    QString path = "unknown";
    for (const PlovexRun &run : result.runs) {
        if (run.plovexCpuUs && run.serverCpuUs) {
            client.push_back(*run.plovexCpuUs);
            server.push_back(*run.serverCpuUs);
        }
        if (run.waited) {
            reported = true;
            frames += run.frames;
            pipelined += run.frames - *run.waited;
        }
        path = run.presentPath;
    }
    QString pipelining;
    if (reported)
        pipelining = QString("%1 of %2 frames (%3 %) ran pipelined")
                         .arg(pipelined)
                         .arg(frames)
                         .arg(frames ? 100.0 * double(pipelined) / double(frames) : 0.0, 0, 'f', 1);
    else if (path != "unknown")
        pipelining = QString("Plovex presented its frames by its \"%1\" path, which reports no "
                             "pipelining")
                         .arg(path);
    else
        pipelining = "how many frames ran pipelined is unknown (this Plovex does not report it)";
    if (client.empty())
        return {Limiter::Kind::Unknown,
                "the processor time of Plovex or of the X server could not be read; " + pipelining};
    const double c = median(client), s = median(server);
    const bool plovexMore = c >= s;
    return {plovexMore ? Limiter::Kind::Plovex : Limiter::Kind::XServer,
            QString("%1 used more processor time per frame (%2 us against %3's %4 us); %5")
                .arg(plovexMore ? "Plovex" : "the X server")
                .arg(plovexMore ? c : s, 0, 'f', 1)
                .arg(plovexMore ? "the X server" : "Plovex")
                .arg(plovexMore ? s : c, 0, 'f', 1)
                .arg(pipelining)};
}

QByteArray toJson(const BenchResult &r)
{
    QJsonArray runs;
    for (const PlovexRun &run : r.runs) {
        runs.append(QJsonObject{
            {"score", run.score},
            {"limit_fps", optional(run.limitFps)},
            {"plovex_cpu_us_per_frame", optional(run.plovexCpuUs)},
            {"server_cpu_us_per_frame", optional(run.serverCpuUs)},
            {"frames", run.frames},
            {"frames_counted", run.framesCounted},
            {"present_path", run.presentPath},
            {"waited", run.waited ? QJsonValue(*run.waited) : QJsonValue()},
            {"pipelined", run.waited ? QJsonValue(run.frames - *run.waited) : QJsonValue()},
            {"other_busy_percent", optional(run.otherBusyPercent)},
        });
    }
    QJsonArray limitRuns;
    for (const LimitRun &run : r.limitRuns) {
        limitRuns.append(QJsonObject{
            {"fps", run.fps},
            {"frames", run.frames},
            {"waited", run.waited},
            {"client_cpu_us_per_frame", optional(run.clientCpuUs)},
            {"server_cpu_us_per_frame", optional(run.serverCpuUs)},
            {"other_busy_percent", optional(run.otherBusyPercent)},
        });
    }
    QJsonObject root{
        {"schema", kResultSchema},
        {"schema_version", kResultSchemaVersion},
        {"created", r.created},
        {"environment", environmentJson(r.environment)},
        {"warnings", QJsonArray::fromStringList(r.warnings)},
        {"runs", runs},
        {"limit_runs", limitRuns},
        {"limit_unavailable", r.limitUnavailable},
    };
    if (!r.runs.empty())
        root.insert("summary", summaryJson(r));
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

BenchResult resultFromJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        fail("not JSON: " + error.errorString() + " at offset " + QString::number(error.offset));
    if (!doc.isObject() || doc.object().value("schema").toString() != kResultSchema)
        fail(QString("not a plovex-bench result (no \"schema\": \"%1\")").arg(kResultSchema));
    const Fields root(doc.object(), QString());
    const long long version = root.whole("schema_version", 1);
    if (version != kResultSchemaVersion)
        fail(QString("schema version %1; this plovex-bench reads version %2")
                 .arg(version)
                 .arg(kResultSchemaVersion));

    BenchResult r;
    r.created = root.string("created");
    r.environment = environmentFrom(root.object("environment"));
    for (const QJsonValue v : root.array("warnings")) {
        if (!v.isString())
            fail("warnings holds something other than text");
        r.warnings.append(v.toString());
    }
    const QJsonArray runs = root.array("runs");
    if (runs.isEmpty())
        fail("runs is empty");
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const Fields f = root.element(runs, "runs", i);
        PlovexRun run;
        run.score = int(f.whole("score"));
        run.limitFps = f.maybeNumber("limit_fps");
        run.plovexCpuUs = f.maybeNumber("plovex_cpu_us_per_frame");
        run.serverCpuUs = f.maybeNumber("server_cpu_us_per_frame");
        run.frames = f.whole("frames");
        run.framesCounted = f.boolean("frames_counted");
        run.presentPath = f.string("present_path");
        run.waited = f.maybeWhole("waited");
        run.otherBusyPercent = f.maybeNumber("other_busy_percent");
        r.runs.push_back(run);
    }
    const QJsonArray limitRuns = root.array("limit_runs");
    for (qsizetype i = 0; i < limitRuns.size(); ++i) {
        const Fields f = root.element(limitRuns, "limit_runs", i);
        LimitRun run;
        run.fps = f.number("fps");
        run.frames = f.whole("frames");
        run.waited = f.whole("waited");
        run.clientCpuUs = f.maybeNumber("client_cpu_us_per_frame");
        run.serverCpuUs = f.maybeNumber("server_cpu_us_per_frame");
        run.otherBusyPercent = f.maybeNumber("other_busy_percent");
        r.limitRuns.push_back(run);
    }
    r.limitUnavailable = root.string("limit_unavailable");
    return r;
}

BenchResult readResultFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot read " + path + ": " + file.errorString());
    try {
        return resultFromJson(file.readAll());
    } catch (const std::runtime_error &e) {
        fail(path + ": " + QString::fromStdString(e.what()));
    }
}

QStringList environmentDifferences(const Environment &a, const Environment &b)
{
    auto hz = [](const std::optional<double> &v) {
        return v ? QString::number(*v, 'f', 1) + " Hz" : QString("unknown");
    };
    const bool refreshDiffers = a.refreshHz.has_value() != b.refreshHz.has_value() ||
                                (a.refreshHz && std::abs(*a.refreshHz - *b.refreshHz) > 0.5);
    const std::pair<const char *, std::pair<QString, QString>> fields[] = {
        {"platform", {a.platform, b.platform}},
        {"X server", {a.xServer, b.xServer}},
        {"compositor", {a.compositor, b.compositor}},
        {"refresh rate", {hz(a.refreshHz), refreshDiffers ? hz(b.refreshHz) : hz(a.refreshHz)}},
        {"CPU model", {a.cpuModel, b.cpuModel}},
    };
    QStringList differences;
    for (const auto &[name, values] : fields)
        if (values.first != values.second)
            differences.append(QString("%1: %2 vs %3").arg(name, values.first, values.second));
    return differences;
}
