// Timing of a picture of the five charts drawn from a record already in
// memory: a month at 10 Hz (26 M samples in each of five channels) by
// default. Each figure is the median of a few runs. Run:
//   build/bench/picture/picture_bench [--days N] [--runs N]
//
// Target (issue 17): the picture of a month at 10 Hz renders in <= 2 s once
// the record is loaded (it draws the envelope of each pixel column, not the
// samples).

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "charts/chartpicture.h"
#include "record/record.h"

namespace {

std::shared_ptr<const kordel::Record> monthAt10Hz(int days) {
    kordel::Record r(kordel::Record::dataFileChannels());
    const std::size_t n = static_cast<std::size_t>(days) * 864'000;
    r.reserve(n);
    const std::int64_t start = 39'217LL * kordel::Record::kMsPerDay;  // 2007-05-15
    std::int32_t raw[5];
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / 864'000.0;
        raw[0] = static_cast<std::int32_t>(2'000'000 + 5000 * std::sin(t * 6.283) + static_cast<double>(i % 7));
        raw[1] = static_cast<std::int32_t>(150'000 + 3000 * std::cos(t * 6.283));
        raw[2] = static_cast<std::int32_t>(4'400'000 + static_cast<double>(i % 13));
        raw[3] = 250 + static_cast<std::int32_t>(i % 3);
        raw[4] = 300 + static_cast<std::int32_t>(i % 5);
        r.append(start + static_cast<std::int64_t>(i) * 100, raw);
    }
    r.finish();
    return std::make_shared<const kordel::Record>(std::move(r));
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int days = 30, runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--days") == 0) days = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
    }
    QElapsedTimer load;
    load.start();
    kordel::PictureRequest request;
    request.record = monthAt10Hz(days);
    std::printf("record of %d day(s), %zu samples built in %.0f ms\n", days, request.record->size(),
                static_cast<double>(load.elapsed()));
    for (int k = 0; k < 5; ++k) request.charts.push_back({static_cast<std::size_t>(k), k, {}, {}, 0});
    request.title = QStringLiteral("ABC Bench");
    request.fromDay = request.record->timeNumber(0);
    request.toDay = request.record->timeNumber(request.record->size() - 1);
    QTemporaryDir dir;
    const struct {
        kordel::PictureFormat format;
        const char* name;
    } formats[] = {{kordel::PictureFormat::Png, "png"}, {kordel::PictureFormat::Svg, "svg"},
                   {kordel::PictureFormat::Pdf, "pdf"}};
    for (const auto& f : formats) {
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer t;
            t.start();
            const QString error =
                kordel::writeChartPicture(request, f.format, dir.filePath(QStringLiteral("p.") + f.name));
            ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
            if (!error.isEmpty()) std::printf("%s\n", qPrintable(error));
        }
        std::printf("%s 1200x900: median %.0f ms (target <= 2000 ms)\n", f.name, median(ms));
    }
    return 0;
}
