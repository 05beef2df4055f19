#include "resultjson.h"

#include "failure.h"
#include "limiter.h"
#include "scorereader.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <array>
#include <climits>
#include <cmath>
#include <span>
#include <stdexcept>
#include <variant>

namespace {

// No figure of a result comes near this; above it sums of runs could overflow.
constexpr double kLargest = 1e15;

// A field of a result's struct and its key in the JSON, one table per struct for both ways.
template <class T>
using Member = std::variant<QString T::*, bool T::*, int T::*, long long T::*, double T::*,
                            std::optional<double> T::*, std::optional<long long> T::*>;
template <class T> struct Field
{
    const char *key;
    Member<T> member;
    bool added = false; // since files were first written: absent from older ones
};

using E = Environment;
constexpr std::array<Field<E>, 19> kEnvironmentFields{{
    {"plovex_version", &E::plovexVersion},
    {"qt_version", &E::qtVersion},
    {"platform", &E::platform},
    {"display", &E::display},
    {"x_server", &E::xServer},
    {"mit_shm", &E::mitShm},
    {"compositor", &E::compositor},
    {"window_manager", &E::windowManager},
    {"refresh_hz", &E::refreshHz},
    {"screen", &E::screen},
    {"depth", &E::depth, true},
    {"scale", &E::scale},
    {"cpu_model", &E::cpuModel},
    {"cores", &E::cores},
    {"governor", &E::governor},
    {"load_average", &E::loadAverage},
    {"busy_before_percent", &E::busyBeforePercent},
    {"power", &E::power},
    {"kernel", &E::kernel},
}};
using P = PlovexRun;
constexpr std::array<Field<P>, 10> kRunFields{{
    {"score", &P::score},
    {"limit_fps", &P::limitFps},
    {"plovex_cpu_us_per_frame", &P::plovexCpuUs},
    {"server_cpu_us_per_frame", &P::serverCpuUs},
    {"frames", &P::frames},
    {"frames_counted", &P::framesCounted},
    {"present_path", &P::presentPath},
    {"waited", &P::waited},
    {"other_busy_percent", &P::otherBusyPercent},
    {"wait_us_per_frame", &P::waitUsPerFrame, true},
}};
using L = LimitRun;
constexpr std::array<Field<L>, 6> kLimitFields{{
    {"fps", &L::fps},
    {"frames", &L::frames},
    {"waited", &L::waited},
    {"client_cpu_us_per_frame", &L::clientCpuUs},
    {"server_cpu_us_per_frame", &L::serverCpuUs},
    {"other_busy_percent", &L::otherBusyPercent},
}};

template <class V> QJsonValue jsonValue(const std::optional<V> &v)
{
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}
template <class V> QJsonValue jsonValue(const V &v)
{
    return QJsonValue(v);
}

template <class T> QJsonObject toObject(const T &value, std::span<const Field<T>> fields)
{
    QJsonObject o;
    for (const Field<T> &f : fields)
        std::visit([&](auto member) { o.insert(f.key, jsonValue(value.*member)); }, f.member);
    return o;
}

template <class T>
QJsonArray toArray(const std::vector<T> &values, std::span<const Field<T>> fields)
{
    QJsonArray a;
    for (const T &v : values)
        a.append(toObject(v, fields));
    return a;
}

// Reads the fields of one JSON object, naming the field's path in every complaint.
class Reader
{
public:
    Reader(const QJsonObject &object, QString path) : m_object(object), m_path(std::move(path)) {}

    // The field's value, of the kind `is` asks for when it asks.
    QJsonValue value(const QString &key, bool (QJsonValue::*is)() const = nullptr,
                     const QString &kind = {}) const
    {
        const QJsonValue v = m_object.value(key);
        if (v.isUndefined())
            fail(where(key) + " is missing");
        if (is && !(v.*is)())
            fail(where(key) + " is not " + kind);
        return v;
    }
    void read(const QString &key, QString &to) const
    {
        to = value(key, &QJsonValue::isString, "a string").toString();
    }
    void read(const QString &key, bool &to) const
    {
        to = value(key, &QJsonValue::isBool, "true or false").toBool();
    }
    void read(const QString &key, double &to, double largest = kLargest) const
    {
        const QString kind = "a number from 0 to " + QString::number(largest);
        to = value(key, &QJsonValue::isDouble, kind).toDouble();
        if (!(to >= 0 && to <= largest))
            fail(where(key) + " is not " + kind);
    }
    template <class Whole>
    requires std::is_integral_v<Whole>
    void read(const QString &key, Whole &to) const
    {
        double d = 0;
        read(key, d, std::is_same_v<Whole, int> ? INT_MAX : kLargest);
        if (d != std::floor(d))
            fail(where(key) + " is not a whole number");
        to = Whole(d);
    }
    template <class V> void read(const QString &key, std::optional<V> &to) const
    {
        to.reset();
        if (!value(key).isNull())
            read(key, to.emplace());
    }
    QJsonArray array(const QString &key) const
    {
        return value(key, &QJsonValue::isArray, "a list").toArray();
    }
    Reader object(const QString &key, qsizetype index = -1) const
    {
        const QJsonValue v = index < 0 ? value(key) : array(key).at(index);
        const QString path = where(key) + (index < 0 ? "" : QString("[%1]").arg(index));
        if (!v.isObject())
            fail(path + " is not an object");
        return Reader(v.toObject(), path);
    }
    QString where(const QString &key) const { return m_path.isEmpty() ? key : m_path + "." + key; }

    template <class T> T fromObject(std::span<const Field<T>> fields) const
    {
        T value;
        for (const Field<T> &f : fields)
            if (!f.added || m_object.contains(f.key))
                std::visit([&](auto member) { read(f.key, value.*member); }, f.member);
        return value;
    }
    template <class T>
    std::vector<T> fromArray(const QString &key, std::span<const Field<T>> fields) const
    {
        std::vector<T> values;
        for (qsizetype i = 0; i < array(key).size(); ++i)
            values.push_back(object(key, i).fromObject(fields));
        return values;
    }

private:
    QJsonObject m_object;
    QString m_path;
};

QJsonObject summaryJson(const BenchResult &r)
{
    const Summary s = summarise(scores(r));
    const Limiter limiter = whatLimited(r);
    static constexpr const char *kinds[] = {"refresh-cap", "plovex", "x-server", "unknown"};
    const std::optional<double> limit = medianFps(r.limitRuns);
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
        {"limit_fps_median", jsonValue(limit)},
        {"percent_of_limit", limit ? QJsonValue(s.median / *limit * 100) : QJsonValue()},
        {"pipelined_limit_fps_median", jsonValue(medianFps(r.pipelinedRuns))},
        {"limited_by", QJsonObject{{"kind", kinds[int(limiter.kind)]}, {"text", limiter.text}}},
    };
}

std::vector<PlovexRun> runsFrom(const Reader &root)
{
    std::vector<PlovexRun> runs = root.fromArray<PlovexRun>("runs", kRunFields);
    if (runs.empty())
        fail("runs is empty");
    for (std::size_t i = 0; i < runs.size(); ++i)
        // The tiles' four digits and the frames settle the rest, as when the run was read.
        if (scoreFromTiles(runs[i].score % 10000, runs[i].frames) != runs[i].score)
            fail(QString("runs[%1].score, %2, is not what %3 frames in a run of 8.8 s give")
                     .arg(i)
                     .arg(runs[i].score)
                     .arg(runs[i].frames));
    return runs;
}

} // namespace

QByteArray toJson(const BenchResult &r)
{
    QJsonArray runs = toArray<PlovexRun>(r.runs, kRunFields);
    for (qsizetype i = 0; i < runs.size(); ++i) { // for readers of the file; not read back
        QJsonObject run = runs[i].toObject();
        const PlovexRun &from = r.runs[std::size_t(i)];
        run.insert("pipelined",
                   from.waited ? QJsonValue(from.frames - *from.waited) : QJsonValue());
        runs[i] = run;
    }
    QJsonObject root{
        {"schema", kResultSchema},
        {"schema_version", kResultSchemaVersion},
        {"created", r.created},
        {"environment", toObject<Environment>(r.environment, kEnvironmentFields)},
        {"warnings", QJsonArray::fromStringList(r.warnings)},
        {"runs", runs},
        {"limit_runs", toArray<LimitRun>(r.limitRuns, kLimitFields)},
        {"limit_unavailable", r.limitUnavailable},
        {"pipelined_limit_runs", toArray<LimitRun>(r.pipelinedRuns, kLimitFields)},
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
    const Reader root(doc.object(), QString());
    int version = 0;
    root.read("schema_version", version);
    if (version != kResultSchemaVersion)
        fail(QString("schema version %1; this plovex-bench reads version %2")
                 .arg(version)
                 .arg(kResultSchemaVersion));

    BenchResult r;
    root.read("created", r.created);
    r.environment = root.object("environment").fromObject<Environment>(kEnvironmentFields);
    for (const QJsonValue v : root.array("warnings")) {
        if (!v.isString())
            fail("warnings holds something other than text");
        r.warnings.append(v.toString());
    }
    r.runs = runsFrom(root);
    r.limitRuns = root.fromArray<LimitRun>("limit_runs", kLimitFields);
    root.read("limit_unavailable", r.limitUnavailable);
    if (doc.object().contains("pipelined_limit_runs")) // since the serial limit
        r.pipelinedRuns = root.fromArray<LimitRun>("pipelined_limit_runs", kLimitFields);
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

void saveFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0 || !file.commit())
        fail("cannot write " + path + ": " + file.errorString());
}
