#include "printing/PrintDocument.h"

#include "ui_common/FontFamily.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <numeric>
#include <optional>

namespace {

// Sizes in points, margins in millimetres.
constexpr double kHeadingPoints = 15;
constexpr double kTextPoints = 10.5;
constexpr double kTablePoints = 9.5;
constexpr double kFurniturePoints = 8.5;
const QMarginsF kMargins(16, 12, 16, 12);
constexpr double kFurnitureMm = 7;  // header band above the body, footer band below
constexpr double kGapMm = 3;        // between blocks
constexpr double kCellPadMm = 1.2;  // left and right of a cell's text
constexpr double kRowPadMm = 0.9;   // above and below it
const QColor kRule(0x80, 0x80, 0x80);
const QColor kCaptionFill(0xe8, 0xe8, 0xe8);
const QColor kFlagged(0xc0, 0x00, 0x00);

QFont FontOf(double points, bool bold = false) {
    QFont font(PrintFamily());
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// One pass down the document: measures every block, breaks pages, and draws when painting.
class Layout {
  public:
    Layout(const PrintDocument& document, QPagedPaintDevice& device, int pages)
        : document_(document), device_(device), pages_(pages) {
        mm_ = device.logicalDpiY() / 25.4;
        width_ = device.width();
        top_ = kFurnitureMm * mm_;
        bottom_ = device.height() - kFurnitureMm * mm_;
        if (pages_ > 0) painter_.emplace(&device_);
    }

    int Run() {
        StartPage();
        for (const PrintBlock& block : document_.blocks) {
            switch (block.kind) {
                case PrintBlock::Kind::Heading:
                    Paragraph(block.text, FontOf(kHeadingPoints, true), Qt::AlignHCenter);
                    break;
                case PrintBlock::Kind::Text:
                    Paragraph(block.text, FontOf(kTextPoints), Qt::AlignLeft);
                    break;
                case PrintBlock::Kind::Table:
                    Table(block.table);
                    break;
                case PrintBlock::Kind::Picture:
                    Picture(block.picture);
                    break;
            }
        }
        return page_;
    }

  private:
    bool Painting() const { return painter_.has_value(); }

    void StartPage() {
        if (page_ > 0 && Painting()) device_.newPage();
        ++page_;
        y_ = top_;
        if (!Painting()) return;
        QPainter& p = *painter_;
        p.setFont(FontOf(kFurniturePoints));
        p.setPen(Qt::black);
        const double band = kFurnitureMm * mm_;
        const QRectF header(0, 0, width_, band - mm_);
        // A long school name stops short of the title.
        const double room = width_ - p.fontMetrics().horizontalAdvance(document_.title) - 4 * mm_;
        p.drawText(header, Qt::AlignLeft | Qt::AlignBottom,
                   p.fontMetrics().elidedText(document_.school, Qt::ElideRight, int(room)));
        p.drawText(header, Qt::AlignRight | Qt::AlignBottom, document_.title);
        p.setPen(QPen(kRule, 0.25 * mm_));
        p.drawLine(QPointF(0, band - 0.5 * mm_), QPointF(width_, band - 0.5 * mm_));
        p.setPen(Qt::black);
        const QRectF footer(0, bottom_ + mm_, width_, band - mm_);
        p.drawText(footer, Qt::AlignLeft | Qt::AlignBottom,
                   QStringLiteral("打印日期：") + document_.date.toString(Qt::ISODate));
        p.drawText(footer, Qt::AlignRight | Qt::AlignBottom,
                   QStringLiteral("第%1页，共%2页").arg(page_).arg(pages_));
    }

    // Starts a new page unless `height` fits below the current position (a block taller than a
    // page starts on a page of its own and is cut at its foot).
    void Reserve(double height) {
        if (y_ + height > bottom_ && y_ > top_) StartPage();
    }

    // Height of `text` in `width` with `font`; one line without measuring the wrap when it fits.
    double TextHeight(const QFontMetricsF& metrics, const QString& text, double width) const {
        if (!text.contains(u'\n') && metrics.horizontalAdvance(text) <= width)
            return metrics.height();
        return metrics.boundingRect(QRectF(0, 0, width, 1e9), Qt::TextWordWrap, text).height();
    }

    void Paragraph(const QString& text, const QFont& font, Qt::Alignment align) {
        const QFontMetricsF metrics(font, &device_);
        const double height = TextHeight(metrics, text, width_);
        Reserve(height);
        if (Painting()) {
            painter_->setFont(font);
            painter_->setPen(Qt::black);
            painter_->drawText(QRectF(0, y_, width_, height), align | Qt::TextWordWrap, text);
        }
        y_ += height + kGapMm * mm_;
    }

    void Picture(const QImage& image) {
        if (image.isNull()) return;
        const double height = width_ * image.height() / image.width();
        Reserve(height);
        if (Painting()) painter_->drawImage(QRectF(0, y_, width_, height), image);
        y_ += height + kGapMm * mm_;
    }

    // Without widths given, each column as wide as its widest text on one line (the first rows
    // looked at), all scaled to the text width.
    std::vector<double> NaturalWidths(const PrintTable& table, const QFontMetricsF& captionMetrics,
                                      const QFontMetricsF& cellMetrics) const {
        constexpr int kRowsMeasured = 200;
        std::vector<double> widths;
        for (int c = 0; c < table.captions.size(); ++c) {
            double widest = captionMetrics.horizontalAdvance(table.captions[c]);
            for (int r = 0; r < table.rows.size() && r < kRowsMeasured; ++r)
                if (c < table.rows[r].size())
                    widest = std::max(widest, cellMetrics.horizontalAdvance(table.rows[r][c]));
            widths.push_back(widest + 2 * kCellPadMm * mm_);
        }
        return widths;
    }

    void Table(const PrintTable& table) {
        const int columns = int(table.captions.size());
        const QFont captionFont = FontOf(kTablePoints, true);
        const QFont cellFont = FontOf(kTablePoints);
        const QFontMetricsF captionMetrics(captionFont, &device_);
        const QFontMetricsF cellMetrics(cellFont, &device_);
        const double pad = kCellPadMm * mm_;
        const std::vector<double> widths =
            table.widths.empty() ? NaturalWidths(table, captionMetrics, cellMetrics) : table.widths;
        const double total = std::accumulate(widths.begin(), widths.end(), 0.0);
        std::vector<double> x(size_t(columns) + 1, 0);
        for (int c = 0; c < columns; ++c)
            x[c + 1] = x[c] + width_ * (size_t(c) < widths.size() && total > 0 ? widths[c] / total
                                                                               : 1.0 / columns);

        auto rowHeight = [&](const QStringList& cells, const QFontMetricsF& metrics) {
            double height = metrics.height();
            for (int c = 0; c < columns && c < cells.size(); ++c)
                height = std::max(height, TextHeight(metrics, cells[c], x[c + 1] - x[c] - 2 * pad));
            return height + 2 * kRowPadMm * mm_;
        };
        auto drawRow = [&](const QStringList& cells, double height, bool caption, bool flagged) {
            QPainter& p = *painter_;
            if (caption) p.fillRect(QRectF(0, y_, width_, height), kCaptionFill);
            p.setFont(caption ? captionFont : cellFont);
            p.setPen(flagged ? kFlagged : QColor(Qt::black));
            for (int c = 0; c < columns && c < cells.size(); ++c) {
                const bool right = !caption && size_t(c) < table.numeric.size() && table.numeric[c];
                const Qt::Alignment align = caption ? Qt::AlignHCenter
                                            : right ? Qt::AlignRight
                                                    : Qt::AlignLeft;
                p.drawText(QRectF(x[c] + pad, y_ + kRowPadMm * mm_, x[c + 1] - x[c] - 2 * pad,
                                  height - 2 * kRowPadMm * mm_),
                           align | Qt::AlignVCenter | Qt::TextWordWrap, cells[c]);
            }
            p.setPen(QPen(kRule, (caption ? 0.3 : 0.12) * mm_));
            p.drawLine(QPointF(0, y_ + height), QPointF(width_, y_ + height));
        };

        const double captionHeight = rowHeight(table.captions, captionMetrics);
        bool captionShown = false;
        for (int r = 0; r < table.rows.size(); ++r) {
            const double height = rowHeight(table.rows[r], cellMetrics);
            // The captions head the table on every page it runs over.
            const int pageBefore = page_;
            Reserve((captionShown ? 0 : captionHeight) + height);
            if (!captionShown || page_ != pageBefore) {
                if (Painting()) drawRow(table.captions, captionHeight, true, false);
                y_ += captionHeight;
                captionShown = true;
            }
            const bool flagged = size_t(r) < table.flagged.size() && table.flagged[size_t(r)];
            if (Painting()) drawRow(table.rows[r], height, false, flagged);
            y_ += height;
        }
        if (!captionShown) {
            Reserve(captionHeight);
            if (Painting()) drawRow(table.captions, captionHeight, true, false);
            y_ += captionHeight;
        }
        y_ += kGapMm * mm_;
    }

    const PrintDocument& document_;
    QPagedPaintDevice& device_;
    const int pages_;  // 0: the measuring pass, nothing painted
    std::optional<QPainter> painter_;
    double mm_ = 1;
    double width_ = 0;
    double top_ = 0;
    double bottom_ = 0;
    double y_ = 0;
    int page_ = 0;
};

}  // namespace

void PrintDocument::AddHeading(const QString& text) {
    blocks.push_back({PrintBlock::Kind::Heading, text, {}, {}});
}

void PrintDocument::AddText(const QString& text) {
    blocks.push_back({PrintBlock::Kind::Text, text, {}, {}});
}

PrintTable& PrintDocument::AddTable(const QStringList& captions, std::vector<double> widths) {
    PrintBlock block;
    block.kind = PrintBlock::Kind::Table;
    block.table.captions = captions;
    block.table.widths = std::move(widths);
    blocks.push_back(std::move(block));
    return blocks.back().table;
}

void PrintDocument::AddPicture(const QImage& picture) {
    blocks.push_back({PrintBlock::Kind::Picture, QString(), {}, picture});
}

QString PrintFamily() {
    const QString family = QString::fromLatin1(kProgramFamily);
    return QFontDatabase::hasFamily(family) ? family : QGuiApplication::font().family();
}

int PaintDocument(const PrintDocument& document, QPagedPaintDevice& device, bool paint) {
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, kMargins,
                                     QPageLayout::Millimeter));
    const int pages = Layout(document, device, 0).Run();
    if (paint) Layout(document, device, pages).Run();
    return pages;
}

void WritePdf(const PrintDocument& document, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw PrintError{QStringLiteral("无法写入文件 %1：%2").arg(path, file.errorString())};
    {
        QPdfWriter writer(&file);
        writer.setResolution(300);
        writer.setTitle(document.title);
        writer.setCreator(QStringLiteral("澄溪标准化考试系统"));
        PaintDocument(document, writer);
    }
    if (!file.commit())
        throw PrintError{QStringLiteral("无法写入文件 %1：%2").arg(path, file.errorString())};
}
