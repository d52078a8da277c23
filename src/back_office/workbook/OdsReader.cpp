// Reading one sheet of an OpenDocument spreadsheet (.ods): a zip whose content.xml holds every
// sheet as a table of rows of cells. Rows and cells carry repeat counts (spreadsheet programs
// write the empty rest of a sheet as one row repeated a million times), so positions come from
// counting, and only non-empty cells are placed. The content is read piece by piece, one table's
// rows at a time, so memory grows with the cells kept, not with the XML.
#include "back_office/workbook/CellFormats.h"
#include "back_office/workbook/WorkbookInternal.h"
#include "back_office/workbook/XlsxPackage.h"

#include <QSet>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

namespace workbook_detail {

namespace {

const QString kContent = QStringLiteral("content.xml");
constexpr qint64 kMaxSpaces = 1 << 20;

// Whether the manifest says the content is encrypted, or that an encrypted package stands for
// the whole document.
bool Encrypted(const Package& package) {
    const QString manifestPart = QStringLiteral("META-INF/manifest.xml");
    if (!package.Has(manifestPart)) return false;
    pugi::xml_document manifest;
    package.Parse(manifestPart, &manifest);
    QSet<QString> encrypted;
    for (pugi::xml_node entry : manifest.document_element().children())
        if (Is(entry, "file-entry") && Child(entry, "encryption-data"))
            encrypted.insert(QString::fromUtf8(entry.attribute("manifest:full-path").value()));
    return encrypted.contains(kContent) || (!encrypted.isEmpty() && !package.Has(kContent));
}

// A repeat count; beyond 2^31 it stands for no more than the rest of any sheet, and the sum of
// the counts in a file stays far from overflowing.
qint64 Repeats(const pugi::xml_node& node, const char* attribute) {
    return std::clamp<qint64>(node.attribute(attribute).as_llong(1), 1, qint64(1) << 31);
}

// The text of a paragraph and what it holds: spans, links and fields give their text, text:s
// its spaces, tabs and line breaks their characters. White space in character data counts once
// and not at the paragraph's start, as the format says; notes and annotations are no text.
void AppendParagraph(const pugi::xml_node& paragraph, QString* text) {
    bool space = true;  // at the start a space in character data is dropped
    // Walked without recursion: a damaged file may nest spans deeply.
    pugi::xml_node node = paragraph.first_child();
    while (node && node != paragraph) {
        bool descend = false;
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
            for (QChar c : QString::fromUtf8(node.value())) {
                if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
                    if (!space) text->append(u' ');
                    space = true;
                } else {
                    text->append(c);
                    space = false;
                }
            }
        } else if (Is(node, "s")) {
            // Spaces stop at a million characters a cell: a count is no way to blow up memory.
            const qint64 room = std::max<qint64>(0, kMaxSpaces - text->size());
            text->append(QString(qsizetype(std::clamp<qint64>(node.attribute("text:c").as_llong(1),
                                                              1, std::max<qint64>(1, room))),
                                 u' '));
            space = false;
        } else if (Is(node, "tab")) {
            text->append(u'\t');
            space = false;
        } else if (Is(node, "line-break")) {
            text->append(u'\n');
            space = false;
        } else if (node.type() == pugi::node_element && !Is(node, "note") &&
                   !Is(node, "annotation") && !Is(node, "annotation-end")) {
            descend = node.first_child();
        }
        if (descend) {
            node = node.first_child();
            continue;
        }
        while (node != paragraph && !node.next_sibling())
            node = node.parent();
        if (node != paragraph) node = node.next_sibling();
    }
}

// The paragraphs of a cell joined by line breaks.
QString ParagraphsOf(const pugi::xml_node& cell) {
    QString text;
    bool first = true;
    for (pugi::xml_node child : cell.children()) {
        if (!Is(child, "p") && !Is(child, "h")) continue;
        if (!first) text.append(u'\n');
        first = false;
        AppendParagraph(child, &text);
    }
    return text;
}

// An ISO 8601 duration such as "PT36H00M00S" (days and a sign allowed) in days; NaN when it is
// not one.
double DurationDays(std::string_view text) {
    const double invalid = std::nan("");
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() != 'P') return invalid;
    text.remove_prefix(1);
    double seconds = 0;
    bool inTime = false;
    bool any = false;
    while (!text.empty()) {
        if (text.front() == 'T') {
            inTime = true;
            text.remove_prefix(1);
            continue;
        }
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end == text.data() + text.size() || value < 0) return invalid;
        const char unit = *end;
        if (unit == 'D' && !inTime)
            seconds += value * 86400;
        else if (unit == 'H' && inTime)
            seconds += value * 3600;
        else if (unit == 'M' && inTime)
            seconds += value * 60;
        else if (unit == 'S' && inTime)
            seconds += value;
        else
            return invalid;
        any = true;
        text.remove_prefix(size_t(end - text.data()) + 1);
    }
    if (!any) return invalid;
    return (negative ? -seconds : seconds) / 86400;
}

// A cell's text by its value type: numbers from their value in the general format (but TRUE and
// FALSE for the 1 and 0 of a formula's boolean result), booleans "TRUE"/"FALSE", dates and times in
// the shapes the other formats give; strings, error values and cells without a type their
// paragraphs.
QString CellText(const pugi::xml_node& cell, NumberTexts* numbers) {
    const char* type = cell.attribute("office:value-type").value();
    if (std::strcmp(type, "float") == 0 || std::strcmp(type, "percentage") == 0 ||
        std::strcmp(type, "currency") == 0) {
        std::string_view raw = cell.attribute("office:value").value();
        while (!raw.empty() && raw.front() == '+')
            raw.remove_prefix(1);
        double value = 0;
        const auto [end, error] = std::from_chars(raw.data(), raw.data() + raw.size(), value);
        if (error != std::errc() || end != raw.data() + raw.size() || !std::isfinite(value))
            return ParagraphsOf(cell);
        // A formula's boolean result is stored as the number 1 or 0 shown as TRUE or FALSE.
        if (value == 1 || value == 0) {
            const QString shown = ParagraphsOf(cell);
            if (shown == (value == 1 ? u"TRUE" : u"FALSE")) return shown;
        }
        return numbers->Text(value);
    } else if (std::strcmp(type, "boolean") == 0) {
        const std::string_view flag = cell.attribute("office:boolean-value").value();
        if (flag == "true" || flag == "1") return QStringLiteral("TRUE");
        if (flag == "false" || flag == "0") return QStringLiteral("FALSE");
    } else if (std::strcmp(type, "date") == 0) {
        const pugi::xml_attribute value = cell.attribute("office:date-value");
        if (value) return IsoDateText(QString::fromUtf8(value.value()), DateKind::None);
    } else if (std::strcmp(type, "time") == 0) {
        const double days = DurationDays(cell.attribute("office:time-value").value());
        if (!std::isnan(days)) return SerialDateText(days, DateKind::Elapsed, false, numbers);
    }
    const QString text = ParagraphsOf(cell);
    if (!text.isEmpty() || std::strcmp(type, "string") != 0) return text;
    return QString::fromUtf8(cell.attribute("office:string-value").value());
}

// A run of equal non-empty cells in a row: count cells from column on.
struct Run {
    int column;
    int count;
    SheetBuilder::Kept text;
};

}  // namespace

SheetTexts ReadOds(const QString& path, const Package& package, const QString& sheetName) {
    if (Encrypted(package)) throw PasswordProtected(path);
    if (!package.Has(kContent)) throw DamagedWorkbook(path, kContent);
    // Every spreadsheet has a table: content without one is no spreadsheet's.
    const QStringList names = package.StartTagValues(kContent, "table", "name");
    if (names.isEmpty()) throw DamagedWorkbook(path, kContent);
    const int found = FindSheet(names, sheetName);
    if (found < 0) throw NoSuchSheet(path, sheetName);

    SheetBuilder builder;
    NumberTexts numbers;
    qint64 row = 0;
    std::vector<Run> runs;
    ItemsPlace place;
    place.index = found;
    place.wrappers = {"table-row-group", "table-header-rows", "table-rows"};
    place.keepSpace = true;
    package.ReadItems(
        kContent, "table", "table-row",
        [&](const pugi::xml_node& rowNode) {
            const qint64 rowRepeats = Repeats(rowNode, "table:number-rows-repeated");
            const qint64 first = row;
            row += rowRepeats;
            if (builder.Full()) return;
            runs.clear();
            qint64 column = 0;
            for (pugi::xml_node cell : rowNode.children()) {
                if (!Is(cell, "table-cell") && !Is(cell, "covered-table-cell")) continue;
                const qint64 repeats = Repeats(cell, "table:number-columns-repeated");
                const qint64 at = column;
                column += repeats;
                const QString text = CellText(cell, &numbers);
                if (text.isEmpty()) continue;
                if (at >= kMaxColumns || first >= kMaxRows) throw DamagedWorkbook(path, kContent);
                runs.push_back({int(at), int(std::min<qint64>(repeats, kMaxColumns - at)),
                                builder.Keep(text)});
            }
            // A repeated row places its cells in every row it stands for, up to the last row;
            // once the sheet is too large its full size is noted for the message, nothing more.
            const qint64 last = std::min<qint64>(row, kMaxRows);
            for (qint64 r = first; r < last && !runs.empty(); ++r)
                for (const Run& run : runs)
                    for (int c = run.column; c < run.column + run.count; ++c) {
                        builder.Add(int(r), c, run.text);
                        if (!builder.Full()) continue;
                        builder.Add(int(last - 1), runs.back().column + runs.back().count - 1,
                                    run.text);
                        return;
                    }
        },
        place);
    return builder.Build(path, names[found]);
}

}  // namespace workbook_detail
