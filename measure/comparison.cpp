#include "comparison.h"

#include "resultjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

QString levelText(double share)
{
    return QString::number(share * 100) + " %";
}

QString pValues(const ComparedResult &c, std::size_t tests)
{
    const auto p = [](double v) {
        return v < 0.001 ? QString("p < 0.001") : "p = " + QString::number(v, 'f', 3);
    };
    QString text = p(c.test->p);
    if (tests > 1)
        text += QString("; %1 after Holm's correction for %2 comparisons")
                    .arg(p(c.correctedP))
                    .arg(tests);
    return text + (c.test->exact ? ", exact Mann-Whitney test"
                                 : ", Mann-Whitney test, normal approximation");
}

// The verdict on `c` against `first`, and what more runs could tell when the test can say
// nothing at these sizes.
QString verdictLine(const ComparedResult &c, const ComparedResult &first, std::size_t tests,
                    double significance)
{
    const double change = c.ratio - 1;
    if (c.significant)
        return QString("%1 is %2 % %3 than %4 (%5)\n")
            .arg(c.label, QString::number(std::abs(change) * 100, 'f', 0),
                 c.faster ? "faster" : "slower", first.label, pValues(c, tests));
    QString line = QString("%1: no significant difference from %2 at %3 (%1's median is %4 % %5; "
                           "%6)\n")
                       .arg(c.label, first.label, levelText(significance),
                            QString::number(std::abs(change) * 100, 'f', 1),
                            change >= 0 ? "higher" : "lower", pValues(c, tests));
    const int n1 = first.verdict.score.runs, n2 = c.verdict.score.runs;
    const double smallest = std::min(1.0, double(tests) * smallestRankTestP(n1, n2));
    if (smallest >= significance)
        line += QString("   with %1 and %2 runs no difference can reach %3 (the smallest possible "
                        "p is %4); measure at least %5 runs each\n")
                    .arg(n1)
                    .arg(n2)
                    .arg(levelText(significance), QString::number(smallest, 'f', 3))
                    .arg(fewestRunsToReach(significance / double(tests)));
    return line;
}

} // namespace

Comparison compareResults(const std::vector<BenchResult> &results, const QStringList &names,
                          bool force, std::optional<double> failIfSlower, const Levels &levels)
{
    Comparison c;
    c.failIfSlower = failIfSlower;
    std::vector<const Environment *> environments;
    QStringList labels;
    for (std::size_t i = 0; i < results.size(); ++i) {
        environments.push_back(&results[i].environment);
        labels.append(QString(QChar('A' + int(i))));
    }
    c.differences = environmentDifferences(environments, labels);
    c.refused = !c.differences.isEmpty() && !force;
    if (c.refused)
        return c;
    std::vector<double> p;
    for (std::size_t i = 0; i < results.size(); ++i) {
        ComparedResult r;
        r.label = labels[qsizetype(i)];
        r.name = names[qsizetype(i)];
        r.result = results[i];
        r.verdict = judge(results[i], levels);
        if (i > 0) {
            const ComparedResult &first = c.results.front();
            r.ratio = first.verdict.score.median > 0
                          ? r.verdict.score.median / first.verdict.score.median
                          : 1;
            r.test = mannWhitney(scores(first.result), scores(r.result));
            // The rank test decides the direction: the later runs rank above the first's
            // when the first's U is small.
            r.faster = r.test->u < double(first.verdict.score.runs) * r.verdict.score.runs / 2;
            p.push_back(r.test->p);
        }
        c.results.push_back(std::move(r));
    }
    const std::vector<double> corrected = holm(p);
    for (std::size_t i = 1; i < c.results.size(); ++i) {
        ComparedResult &r = c.results[i];
        r.correctedP = corrected[i - 1];
        r.significant = r.correctedP < levels.significance;
        r.failsGate =
            failIfSlower && r.significant && !r.faster && r.ratio < 1 - *failIfSlower / 100;
        c.failed = c.failed || r.failsGate;
        r.line = verdictLine(r, c.results.front(), p.size(), levels.significance);
    }
    return c;
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
                      {"limit_fps_median", jsonNumber(r.verdict.limitFps)},
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
        {"fail_if_slower_percent", jsonNumber(c.failIfSlower)},
        {"gate_failed", c.failed},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
