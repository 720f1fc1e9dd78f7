#include "MarkerSheet.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include "MarkerReader.h"

namespace {

// The marker as vector squares, one per black module: sharp at any printed size.
void PaintMarker(QPainter& painter, int id, const QRect& area) {
    const cv::Mat modules = MarkerPattern(id, 6);
    painter.fillRect(area, Qt::white);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            if (modules.at<uchar>(y, x) == 0) {
                painter.fillRect(
                    QRect(area.x() + area.width() * x / 6, area.y() + area.height() * y / 6,
                          area.width() * (x + 1) / 6 - area.width() * x / 6,
                          area.height() * (y + 1) / 6 - area.height() * y / 6),
                    Qt::black);
            }
        }
    }
}

}  // namespace

bool WriteMarkerSheet(const QString& pdf_path, const std::vector<SheetMarker>& markers,
                      int marker_mm, QString* error_message) {
    QFile probe(pdf_path);
    if (!probe.open(QIODevice::WriteOnly)) {
        *error_message =
            QStringLiteral("%1 cannot be written: %2").arg(pdf_path, probe.errorString());
        return false;
    }
    probe.close();
    QPdfWriter pdf(pdf_path);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    pdf.setResolution(600);
    QPainter painter(&pdf);
    const double dots_per_mm = pdf.resolution() / 25.4;
    const QRect page = painter.viewport();
    const int quiet = static_cast<int>(marker_mm / 6.0 * dots_per_mm);  // one module
    const int side = static_cast<int>(marker_mm * dots_per_mm);
    const int label_height = static_cast<int>(8 * dots_per_mm);
    const int cell_w = side + 2 * quiet;
    const int cell_h = side + 2 * quiet + label_height;
    const int columns = std::max(1, page.width() / cell_w);
    const int rows = std::max(1, page.height() / cell_h);
    QFont font = painter.font();
    font.setPixelSize(static_cast<int>(5 * dots_per_mm));
    painter.setFont(font);
    for (size_t n = 0; n < markers.size(); ++n) {
        const int on_page = static_cast<int>(n) % (columns * rows);
        if (n > 0 && on_page == 0) {
            pdf.newPage();
        }
        const int x = (on_page % columns) * cell_w;
        const int y = (on_page / columns) * cell_h;
        PaintMarker(painter, markers[n].id, QRect(x + quiet, y + quiet, side, side));
        painter.drawText(QRect(x, y + quiet + side, cell_w, label_height + quiet),
                         Qt::AlignHCenter | Qt::AlignVCenter, markers[n].label);
    }
    if (!painter.end()) {
        *error_message = QStringLiteral("%1 could not be written whole").arg(pdf_path);
        return false;
    }
    return true;
}
