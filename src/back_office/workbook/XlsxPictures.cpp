// The pictures of an .xlsx sheet: the sheet's relationships name its drawing part, whose anchors
// place pictures by the cell of their top-left corner (xdr:from: col, colOff, row, rowOff); a
// picture's a:blip names its media part through the drawing's relationships. Media parts are
// refused by the size they claim before they are inflated, and read once however often drawn.
#include "back_office/workbook/WorkbookInternal.h"
#include "back_office/workbook/XlsxPackage.h"

#include <QHash>

#include <algorithm>
#include <tuple>

namespace workbook_detail {

namespace {

struct Anchored {
    CellPicture picture;
    qint64 rowOffset = 0;
    qint64 columnOffset = 0;
};

// The whole number an element of xdr:from holds; false when it holds none.
bool NumberIn(const pugi::xml_node& from, const char* localName, qint64* value) {
    const QString text = TextOf(Child(from, localName)).trimmed();
    bool ok = false;
    *value = text.toLongLong(&ok);
    return ok;
}

// The blips of an anchor's pictures, in document order (a group holds several).
void Blips(const pugi::xml_node& node, QList<pugi::xml_node>* blips) {
    for (pugi::xml_node child : node.children()) {
        if (child.type() != pugi::node_element) continue;
        if (Is(child, "blip"))
            blips->append(child);
        else
            Blips(child, blips);
    }
}

class DrawingReader {
  public:
    DrawingReader(const QString& path, const Package& package) : path_(path), package_(package) {}

    void Read(const QString& drawingPart, QList<Anchored>* anchored) {
        pugi::xml_document drawing;
        package_.Parse(drawingPart, &drawing);
        const QHash<QString, Relationship> related = package_.Relationships(drawingPart);
        for (pugi::xml_node anchor : drawing.document_element().children()) {
            if (!Is(anchor, "twoCellAnchor") && !Is(anchor, "oneCellAnchor")) continue;
            const pugi::xml_node from = Child(anchor, "from");
            Anchored place;
            qint64 row = 0;
            qint64 column = 0;
            if (!NumberIn(from, "row", &row) || !NumberIn(from, "col", &column) || row < 0 ||
                row >= kMaxRows || column < 0 || column >= kMaxColumns)
                throw DamagedWorkbook(path_, drawingPart);
            NumberIn(from, "rowOff", &place.rowOffset);
            NumberIn(from, "colOff", &place.columnOffset);
            place.picture.row = int(row);
            place.picture.column = int(column);
            QList<pugi::xml_node> blips;
            Blips(anchor, &blips);
            for (const pugi::xml_node& blip : blips) {
                const auto target = related.constFind(AttributeOf(blip, "embed"));
                if (target == related.constEnd()) continue;  // linked, not held in the file
                if (!package_.Has(target->target)) throw DamagedWorkbook(path_, drawingPart);
                Anchored one = place;
                Media(target->target, &one.picture);
                anchored->append(one);
            }
        }
    }

  private:
    void Media(const QString& part, CellPicture* picture) {
        const auto known = media_.constFind(part);
        if (known != media_.constEnd()) {
            picture->bytes = known->bytes;
            picture->name = known->name;
            picture->size = known->size;
            return;
        }
        CellPicture read;
        read.name = part.section(u'/', -1);
        read.size = package_.Size(part);
        if (read.size <= kMaxCellPictureBytes) {
            total_ += read.size;
            if (total_ > kMaxFileBytes) throw FileTooLarge(path_, total_);
            read.bytes = package_.Read(part);
        }
        media_.insert(part, read);
        picture->bytes = read.bytes;
        picture->name = read.name;
        picture->size = read.size;
    }

    const QString& path_;
    const Package& package_;
    QHash<QString, CellPicture> media_;
    qint64 total_ = 0;
};

}  // namespace

CellPictures ReadCellPictures(const QString& path, const Package& package,
                              const QString& sheetPart) {
    QList<Anchored> anchored;
    DrawingReader reader(path, package);
    QStringList drawings;
    for (const Relationship& relationship : package.Relationships(sheetPart))
        if (TypeIs(relationship, "drawing") && !drawings.contains(relationship.target))
            drawings.append(relationship.target);
    drawings.sort();  // the relationships come keyed by id: read in one order every time
    for (const QString& drawing : drawings)
        if (package.Has(drawing)) reader.Read(drawing, &anchored);
    std::stable_sort(anchored.begin(), anchored.end(), [](const Anchored& a, const Anchored& b) {
        return std::tie(a.picture.row, a.picture.column, a.rowOffset, a.columnOffset) <
               std::tie(b.picture.row, b.picture.column, b.rowOffset, b.columnOffset);
    });
    CellPictures pictures;
    pictures.reserve(anchored.size());
    for (const Anchored& one : anchored)
        pictures.append(one.picture);
    return pictures;
}

}  // namespace workbook_detail
