// Cost of the output-format road: reading the catalogue, one profile query,
// the start-up resolution of the stored choice, and opening the format
// dialog as the main window does (fresh dialog, stored quality applied).
//   bench_convert_formats [iterations]
// Run from the build folder (resources beside bin/) or with VELMORA_RESOURCES.

#include "common/qconvertersetting.h"
#include "convert/qformatdlg.h"
#include "convert/qformatresolver.h"
#include "convert/qplistread.h"

#include "bench/benchmeasure.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    const std::string path = QPlistRead::cataloguePath();
    if (!QPlistRead(path).isLoaded()) {
        std::fprintf(stderr, "catalogue not found: %s\n", path.c_str());
        return 1;
    }

    measure("catalogue read", n, [&] { QPlistRead reader(path); });
    QPlistRead reader(path);
    measure("profile query (MP3, defaults)", n * 10,
            [&] { reader.GetFormatInfoForPlist("General Audio", "5000", "", "", "", ""); });
    QConverterSetting::InitSetting();
    measure("start-up resolution of both halves", n, [&] { QFormatResolver(reader).InitSetting(); });
    measure("format dialog: create only", n, [&] {
        QFormatDlg::releaseFormatWgt();
        QFormatDlg::getFormatWidget(nullptr);
    });
    measure("format dialog: create, show stored choice", n, [&] {
        QFormatDlg::releaseFormatWgt();
        QFormatDlg::getFormatWidget(nullptr)->showFormat(false);
    });
    QFormatDlg::releaseFormatWgt();
    QConverterSetting::releaseSetting();
    return 0;
}
