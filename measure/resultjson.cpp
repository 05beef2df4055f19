#include "resultjson.h"

#include "scorereader.h"
#include "verdict.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
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
constexpr std::array<Field<E>, 20> kEnvironmentFields{{
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
    {"one_cpu", &E::oneCpu, true},
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
constexpr std::array<Field<L>, 8> kLimitFields{{
    {"fps", &L::fps},
    {"frames", &L::frames},
    {"waited", &L::waited},
    {"client_cpu_us_per_frame", &L::clientCpuUs},
    {"server_cpu_us_per_frame", &L::serverCpuUs},
    {"other_busy_percent", &L::otherBusyPercent},
    {"draw_us_per_frame", &L::drawUs, true},
    {"wait_us_per_frame", &L::waitUs, true},
}};

using R = BenchResult;
constexpr std::array<Field<R>, 4> kResultFields{{
    {"created", &R::created},
    {"limit_unavailable", &R::limitUnavailable},
    {"one_cpu_limit_unavailable", &R::oneCpuUnavailable, true},
    {"precision_percent", &R::precisionPercent, true},
}};

// What ended the runs, one word each in the order of EndedBy.
constexpr std::array<const char *, 3> kEndings{"runs", "precision", "max-runs"};
static_assert(std::size_t(EndedBy::MaxRuns) == kEndings.size() - 1);

template <class V> QJsonValue jsonValue(const V &v)
{
    if constexpr (requires { v.has_value(); })
        return v ? QJsonValue(*v) : QJsonValue();
    else
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

// The value at `path`, of the kind `is` asks for.
QJsonValue expect(const QJsonValue &v, const QString &path, bool (QJsonValue::*is)() const,
                  const QString &kind)
{
    if (v.isUndefined())
        fail(path + " is missing");
    if (!(v.*is)())
        fail(path + " is not " + kind);
    return v;
}

void read(const QJsonValue &v, const QString &path, QString &to)
{
    to = expect(v, path, &QJsonValue::isString, "a string").toString();
}
void read(const QJsonValue &v, const QString &path, bool &to)
{
    to = expect(v, path, &QJsonValue::isBool, "true or false").toBool();
}
void read(const QJsonValue &v, const QString &path, double &to, double largest = kLargest)
{
    const QString kind = "a number from 0 to " + QString::number(largest);
    to = expect(v, path, &QJsonValue::isDouble, kind).toDouble();
    if (!(to >= 0 && to <= largest))
        fail(path + " is not " + kind);
}
template <class Whole>
requires std::is_integral_v<Whole>
void read(const QJsonValue &v, const QString &path, Whole &to)
{
    double d = 0;
    read(v, path, d, std::is_same_v<Whole, int> ? INT_MAX : kLargest);
    if (d != std::floor(d))
        fail(path + " is not a whole number");
    to = Whole(d);
}
template <class V> void read(const QJsonValue &v, const QString &path, std::optional<V> &to)
{
    to.reset();
    if (!v.isNull())
        read(v, path, to.emplace());
}

template <class T>
T fromObject(const QJsonValue &v, const QString &path, std::span<const Field<T>> fields)
{
    const QJsonObject o = expect(v, path, &QJsonValue::isObject, "an object").toObject();
    T value;
    for (const Field<T> &f : fields) {
        // The field's path in the file, as every complaint names it: "runs[1].score".
        const QString at = path.isEmpty() ? QString(f.key) : path + "." + f.key;
        if (!f.added || o.contains(f.key))
            std::visit([&](auto member) { read(o.value(f.key), at, value.*member); }, f.member);
    }
    return value;
}

QJsonArray array(const QJsonObject &root, const QString &key)
{
    return expect(root.value(key), key, &QJsonValue::isArray, "a list").toArray();
}

template <class T>
std::vector<T> fromArray(const QJsonObject &root, const QString &key,
                         std::span<const Field<T>> fields)
{
    const QJsonArray a = array(root, key);
    std::vector<T> values;
    for (qsizetype i = 0; i < a.size(); ++i)
        values.push_back(fromObject(a[i], QString("%1[%2]").arg(key).arg(i), fields));
    return values;
}

} // namespace

QByteArray toJson(const BenchResult &r, const Verdict &verdict)
{
    QJsonObject root = toObject<BenchResult>(r, kResultFields);
    for (const auto &[key, value] : std::initializer_list<std::pair<const char *, QJsonValue>>{
             {"schema", kResultSchema},
             {"schema_version", kResultSchemaVersion},
             {"environment", toObject<Environment>(r.environment, kEnvironmentFields)},
             {"warnings", QJsonArray::fromStringList(r.warnings)},
             {"runs", toArray<PlovexRun>(r.runs, kRunFields)},
             {"limit_runs", toArray<LimitRun>(r.limitRuns, kLimitFields)},
             {"one_cpu_limit_runs", toArray<LimitRun>(r.oneCpuLimitRuns, kLimitFields)},
             {"ended_by", kEndings[std::size_t(r.endedBy)]},
             {"summary", verdictJson(verdict)}})
        root.insert(key, value);
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
    const QJsonObject root = doc.object();
    int version = 0;
    read(root.value("schema_version"), "schema_version", version);
    if (version != kResultSchemaVersion)
        fail(QString("schema version %1; this plovex-bench reads version %2")
                 .arg(QString::number(version), QString::number(kResultSchemaVersion)));

    BenchResult r = fromObject<BenchResult>(root, "", kResultFields);
    r.environment =
        fromObject<Environment>(root.value("environment"), "environment", kEnvironmentFields);
    for (const QJsonValue v : array(root, "warnings")) {
        if (!v.isString())
            fail("warnings holds something other than text");
        r.warnings.append(v.toString());
    }
    r.runs = fromArray<PlovexRun>(root, "runs", kRunFields);
    if (r.runs.empty())
        fail("runs is empty");
    for (std::size_t i = 0; i < r.runs.size(); ++i)
        // The tiles' four digits and the frames settle the rest, as when the run was read.
        if (scoreFromTiles(r.runs[i].score % 10000, r.runs[i].frames) != r.runs[i].score)
            fail(QString("runs[%1].score, %2, is not what %3 frames in a run of 8.8 s give")
                     .arg(QString::number(i), QString::number(r.runs[i].score),
                          QString::number(r.runs[i].frames)));
    r.limitRuns = fromArray<LimitRun>(root, "limit_runs", kLimitFields);
    if (!root.contains("ended_by")) // older files: the runs asked for, nothing on one processor
        return r;
    r.oneCpuLimitRuns = fromArray<LimitRun>(root, "one_cpu_limit_runs", kLimitFields);
    QString ended;
    read(root.value("ended_by"), "ended_by", ended);
    const auto *word = std::find(kEndings.begin(), kEndings.end(), ended);
    if (word == kEndings.end())
        fail("ended_by is not one of runs, precision, max-runs");
    r.endedBy = EndedBy(word - kEndings.begin());
    if (r.endedBy != EndedBy::Runs && !r.precisionPercent)
        fail("ended_by says precision without a precision_percent");
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
