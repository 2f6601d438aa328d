// How long the find bar takes to filter a million rows, and what an active find bar adds to each
// arriving row. Each figure is given beside an anchor measured in the same run with the reps
// interleaved: a plain loop of memmem over the same message bytes (the least any search of
// them costs), and the same arrivals without a find bar.
//
//   quendal_find_bench [rows] [reps]
#include "BenchSupport.h"
#include "logs/core/LogList.h"
#include "logs/gui/RowFilter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

using namespace quendal;

namespace {

void fill(LogList& list, int rows)
{
    LogRows batch;
    QByteArray message;
    for (int i = 0; i < rows; ++i) {
        message = "Packet blocked: TCP 192.168." + QByteArray::number(i % 256) + "." +
                  QByteArray::number(i % 200) + ":" + QByteArray::number(1024 + i % 60000) +
                  " -> 10.0.0.1:443 rule " + QByteArray::number(i % 97);
        if (i % 1000 == 7)
            message += " ALERT Intrusion";
        batch.prepend({"Mar 14 09:26:53", "gateway", message});
    }
    list.prependAll(std::move(batch));
}

// A find bar's query; every field named, so that none is left to chance.
FindQuery query(const QString& text, bool caseSensitive = false, bool regularExpression = false)
{
    FindQuery q;
    q.text = text;
    q.caseSensitive = caseSensitive;
    q.regularExpression = regularExpression;
    return q;
}

double ms(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

struct Series
{
    const char* name;
    std::vector<double> figures;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int reps = argc > 2 ? std::atoi(argv[2]) : 5;
    LogList list;
    fill(list, rows);
    auto* filter = new RowFilter(&list);
    std::printf("rows %d, reps %d, load before: %s\n", rows, reps,
                bench::loadAverageText().constData());

    Series anchor{"anchor: memmem loop", {}};
    Series ignoreCase{"find 'alert intrusion' ignoring case", {}};
    Series exactCase{"find 'ALERT Intrusion' with case", {}};
    Series regex{"find regex 'rule 9[0-6]$'", {}};
    // No literal part: every row is decoded and matched.
    Series regexAll{"find regex '\\d{5}\\s'", {}};
    std::size_t anchorHits = 0;
    for (int rep = 0; rep < reps; ++rep) {
        anchor.figures.push_back(ms([&] {
            anchorHits = 0;
            const LogRows& all = list.rows();
            for (qsizetype r = 0; r < all.size(); ++r) {
                const QByteArrayView m = all.at(r).message;
                anchorHits += memmem(m.data(), size_t(m.size()), "ALERT Intrusion", 15) != nullptr;
            }
        }));
        ignoreCase.figures.push_back(
            ms([&] { filter->setQuery(query(QStringLiteral("alert intrusion"))); }));
        filter->setQuery({});
        exactCase.figures.push_back(
            ms([&] { filter->setQuery(query(QStringLiteral("ALERT Intrusion"), true)); }));
        filter->setQuery({});
        regex.figures.push_back(
            ms([&] { filter->setQuery(query(QStringLiteral("rule 9[0-6]$"), false, true)); }));
        filter->setQuery({});
        regexAll.figures.push_back(
            ms([&] { filter->setQuery(query(QStringLiteral("\\d{5}\\s"), false, true)); }));
        filter->setQuery({});
    }
    const double base = median(anchor.figures);
    for (const Series* s : {&anchor, &ignoreCase, &exactCase, &regex, &regexAll}) {
        const auto [lo, hi] = std::minmax_element(s->figures.begin(), s->figures.end());
        std::printf("%-40s median %8.1f ms  range %8.1f..%8.1f ms  ratio to anchor %5.2f\n",
                    s->name, median(s->figures), *lo, *hi, median(s->figures) / base);
    }
    std::printf("matches %zu\n", anchorHits);
    delete filter;

    // Arrivals: 100,000 single rows on top of the million, with and without an active filter.
    const int arrivals = 100000;
    Series plain{"arrivals without find bar", {}};
    Series filtered{"arrivals with find bar", {}};
    const auto arrive = [&] {
        for (int i = 0; i < arrivals; ++i)
            list.prepend({"Mar 14 09:26:54", "gateway", "Packet allowed: UDP 10.0.0.2:53"});
    };
    for (int rep = 0; rep < reps; ++rep) {
        plain.figures.push_back(ms(arrive));
        RowFilter active(&list);
        active.setQuery(query(QStringLiteral("alert intrusion")));
        filtered.figures.push_back(ms(arrive));
    }
    const double arrivalBase = median(plain.figures);
    for (const Series* s : {&plain, &filtered}) {
        const auto [lo, hi] = std::minmax_element(s->figures.begin(), s->figures.end());
        std::printf("%-40s median %8.1f ms  range %8.1f..%8.1f ms  ratio %5.2f\n", s->name,
                    median(s->figures), *lo, *hi, median(s->figures) / arrivalBase);
    }
    std::printf("load after: %s\n", bench::loadAverageText().constData());
    return 0;
}
