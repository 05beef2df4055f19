#include "reportjson.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

QJsonValue orNull(const std::optional<double> &v)
{
    return v ? QJsonValue(*v) : QJsonValue();
}

QJsonObject intervalJson(const MedianInterval &i)
{
    return {{"low", i.low}, {"high", i.high}, {"confidence_percent", i.confidence * 100}};
}

QJsonValue frameJson(const std::optional<FrameParts> &f)
{
    if (!f)
        return QJsonValue();
    return QJsonObject{{"frame", f->frameUs},
                       {"drawing", f->drawingUs},
                       {"plovex_other_work", f->otherUs},
                       {"x_server", f->serverUs},
                       {"handover", f->handoverUs}};
}

} // namespace

QJsonObject summaryJson(const Verdict &v)
{
    static constexpr const char *kinds[] = {"refresh-cap", "plovex", "x-server", "unknown"};
    const Summary &s = v.score;
    QJsonArray programs;
    for (const ProgramFigures &p : v.programs)
        programs.append(QJsonObject{{"what", p.what},
                                    {"fps", p.fps},
                                    {"cpu_us_per_frame", orNull(p.clientUs)},
                                    {"server_cpu_us_per_frame", orNull(p.serverUs)}});
    return {
        {"runs", s.runs},
        {"median", s.median},
        {"min", s.min},
        {"max", s.max},
        {"mean", s.mean},
        {"cv_percent", s.cv * 100},
        {"median_interval", intervalJson(s.interval)},
        {"unstable", v.unstable},
        {"runs_needed", v.unstable ? QJsonValue(v.runsNeeded) : QJsonValue()},
        {"limit_fps_median", orNull(v.limitFps)},
        {"percent_of_limit", v.limitFps ? QJsonValue(s.median / *v.limitFps * 100) : QJsonValue()},
        {"one_cpu_limit_fps_median", orNull(v.oneCpuLimitFps)},
        {"programs", programs},
        {"frame_us", frameJson(v.frame)},
        {"frame_text", v.frameText},
        {"limited_by", QJsonObject{{"kind", kinds[int(v.limited.kind)]}, {"text", v.limited.text}}},
    };
}

QByteArray comparisonJson(const Comparison &c)
{
    QJsonArray results;
    for (const ComparedResult &r : c.results) {
        const Summary &s = r.verdict.score;
        QJsonObject o{{"label", r.label},
                      {"file", r.name},
                      {"created", r.result.created},
                      {"runs", s.runs},
                      {"median", s.median},
                      {"median_interval", intervalJson(s.interval)},
                      {"cv_percent", s.cv * 100},
                      {"limit_fps_median", orNull(r.verdict.limitFps)},
                      {"ratio_to_first", r.ratio}};
        if (r.test)
            for (const auto &[key, value] : {std::pair<const char *, QJsonValue>{"p", r.test->p},
                                             {"p_holm", r.correctedP},
                                             {"exact", r.test->exact},
                                             {"significant", r.significant},
                                             {"faster", r.significant && r.faster},
                                             {"slower", r.significant && !r.faster},
                                             {"fails_gate", r.failsGate},
                                             {"verdict", r.line.section('\n', 0, 0)}})
                o.insert(key, value);
        results.append(o);
    }
    const QJsonObject root{
        {"schema", kComparisonSchema},
        {"schema_version", kComparisonSchemaVersion},
        {"differences", QJsonArray::fromStringList(c.differences)},
        {"refused", c.refused},
        {"results", results},
        {"fail_if_slower_percent", orNull(c.failIfSlower)},
        {"gate_failed", c.failed},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
