// plovex-bench: measures Plovex for people who compare machines, drivers and desktop
// settings. It runs the real program several times, reads each score from its window as a
// user reads it, measures the machine's limit with plovex-limit between the runs, and says
// how sure the result is, what a frame is made of and what held the score down; it compares
// saved results with a rank test, and can fail a result slower than another.
// Exit status: 0 done, 1 the measurement failed or the comparison was refused, 2 bad
// arguments or an unreadable result file, 3 --fail-if-slower found a result slower than
// allowed, 130 interrupted (Ctrl-C, SIGTERM).
#include "child.h"
#include "measurement.h"
#include "report.h"
#include "resultjson.h"
#include "version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSaveFile>

#include <cstdio>
#include <stdexcept>

namespace {

constexpr int kFailed = 1;
constexpr int kBadUse = 2;
constexpr int kSlower = 3;
constexpr int kInterrupted = 130;
constexpr int kMostRuns = 1000;

struct UsageError : std::runtime_error
{
    explicit UsageError(const QString &why) : std::runtime_error(why.toStdString()) {}
};

struct Options
{
    MeasureOptions measure;
    QString json; // "-": standard output
    QString svg;
    QStringList compare; // the files
    bool force = false;
    std::optional<double> failIfSlower;
};

int message(int status, const QString &text)
{
    std::fprintf(stderr, "plovex-bench: %s\n", qPrintable(text));
    return status;
}

// The option's number, if it is given.
std::optional<double> number(const QCommandLineParser &parser, const QString &name, double min,
                             double max, bool whole = true)
{
    if (!parser.isSet(name))
        return std::nullopt;
    bool ok = false;
    const double n = parser.value(name).toDouble(&ok);
    if (!ok || !(n >= min && n <= max) || (whole && n != int(n)))
        throw UsageError(QString("--%1 takes a %2 from %3 to %4, not '%5'")
                             .arg(name, whole ? "whole number" : "number", QString::number(min),
                                  QString::number(max), parser.value(name)));
    return n;
}

void forbid(const QCommandLineParser &parser, std::initializer_list<const char *> names,
            const QString &because)
{
    for (const char *name : names)
        if (parser.isSet(name))
            throw UsageError(QString("--%1 has no place %2").arg(name, because));
}

Options parse(QCommandLineParser &parser, const QStringList &arguments)
{
    parser.setApplicationDescription(
        "Measures Plovex several times: its score, how sure it is, how close it comes to this "
        "machine's serial limit, what a frame is made of and what limited it; or compares "
        "saved results (see man plovex-bench).");
    parser.addOptions({
        {{"n", "runs"}, "Plovex runs (default 5; with --precision, the fewest).", "N"},
        {"precision", "Add runs until the median's 95 % interval is within ±P % of it.", "P"},
        {"max-runs", "With --precision: at most N runs (default 30).", "N"},
        {"limit-runs", "Runs of the limit program (default: as many as --runs).", "K"},
        {"xvfb", "Measure on a private Xvfb instead of the display in DISPLAY."},
        {"one-cpu", "With --xvfb: Plovex, the limit program and Xvfb on one processor."},
        {"handover", "Also run the limit with DISPLAY's X server moved to its processor."},
        {"json", "Also write the result or the comparison to FILE as JSON (-: stdout).", "FILE"},
        {"svg", "Also draw the result or the comparison in FILE.", "FILE"},
        {"compare", "Compare results written with --json, each with the first."},
        {"force", "Compare results from different environments all the same."},
        {"fail-if-slower", "Exit with status 3 if a result is significantly slower by > P %.", "P"},
    });
    parser.addPositionalArgument("A.json B.json [C.json ...]", "With --compare: the results.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    if (!parser.parse(arguments))
        throw UsageError(parser.errorText());
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();

    Options o;
    o.json = parser.value("json");
    o.svg = parser.value("svg");
    if (o.svg == "-")
        throw UsageError("--svg takes a file, not standard output");
    if (parser.isSet("compare")) {
        forbid(parser,
               {"runs", "precision", "max-runs", "limit-runs", "xvfb", "one-cpu", "handover"},
               "with --compare, which measures nothing");
        o.compare = parser.positionalArguments();
        if (o.compare.size() < 2 || o.compare.size() > kMostCompared)
            throw UsageError(QString("--compare takes 2 to %1 result files").arg(kMostCompared));
        o.force = parser.isSet("force");
        o.failIfSlower = number(parser, "fail-if-slower", 0, 100, false);
        return o;
    }
    forbid(parser, {"force", "fail-if-slower"}, "without --compare");
    if (!parser.positionalArguments().isEmpty())
        throw UsageError("unexpected argument '" + parser.positionalArguments()[0] + "'");
    MeasureOptions &m = o.measure;
    m.runs = int(number(parser, "runs", 1, kMostRuns).value_or(5));
    m.precision = number(parser, "precision", 0.1, 50, false);
    if (!m.precision)
        forbid(parser, {"max-runs"}, "without --precision");
    m.maxRuns = int(number(parser, "max-runs", m.runs, kMostRuns).value_or(std::max(m.runs, 30)));
    m.limitRuns = int(number(parser, "limit-runs", 0, m.runs).value_or(m.runs));
    m.xvfb = parser.isSet("xvfb");
    m.oneCpu = parser.isSet("one-cpu");
    m.handover = parser.isSet("handover");
    if (m.oneCpu && !m.xvfb)
        throw UsageError("--one-cpu needs --xvfb: it places a private server with the programs");
    if (m.handover && m.xvfb)
        throw UsageError("--handover is for the display in DISPLAY; with --xvfb the hand-over "
                         "is measured on the private server anyway");
    return o;
}

// The table on standard output, unless the JSON goes there; then the JSON and the picture.
void output(const Options &o, const QString &table, const QByteArray &json, const std::string &svg)
{
    std::fputs(qPrintable(table), o.json == "-" ? stderr : stdout);
    if (o.json == "-")
        std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout);
    else if (!o.json.isEmpty())
        saveFile(o.json, json);
    if (!o.svg.isEmpty())
        saveFile(o.svg, QByteArray::fromStdString(svg));
}

int compare(const Options &o)
{
    std::vector<BenchResult> results;
    try {
        for (const QString &file : o.compare)
            results.push_back(readResultFile(file));
    } catch (const std::runtime_error &e) {
        return message(kBadUse, QString::fromStdString(e.what()));
    }
    const Comparison c = compareResults(results, o.compare, o.force, o.failIfSlower);
    if (c.refused)
        return message(kFailed, comparisonTable(c).trimmed());
    output(o, comparisonTable(c), comparisonJson(c), comparisonPicture(c));
    return c.failed ? message(kSlower, "a result is slower than --fail-if-slower allows") : 0;
}

int measure([[maybe_unused]] const Options &o)
{
#ifdef PLOVEX_BENCH_X11
    const BenchResult r = measureResult(o.measure);
    const Verdict v = judge(r);
    output(o, resultTable(r, v), toJson(r, v),
           resultPicture(r, v, r.environment.cpuModel + ", " + r.environment.display));
    return 0;
#else
    return message(kFailed, "this build measures nothing: it was made without X11; --compare "
                            "works");
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("plovex-bench");
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion));
    catchInterrupts();
    QCommandLineParser parser;
    try {
        const Options options = parse(parser, QCoreApplication::arguments());
        // Tried before any work, so that an output that cannot be written fails first.
        for (const QString &path : {options.json, options.svg})
            if (QSaveFile probe(path);
                !path.isEmpty() && path != "-" && !probe.open(QIODevice::WriteOnly))
                throw UsageError("cannot write " + path + ": " + probe.errorString());
        return options.compare.isEmpty() ? measure(options) : compare(options);
    } catch (const UsageError &e) {
        return message(kBadUse, QString::fromStdString(e.what()) + " (see plovex-bench --help)");
    } catch (const std::runtime_error &e) {
        // What an interrupt broke off is no failure to report.
        return interrupted() ? kInterrupted : message(kFailed, QString::fromStdString(e.what()));
    }
}
