// The zip package of an .xlsx workbook, an OpenDocument spreadsheet or a .docx document: its parts,
// their relationships, XML parsed whole (the small parts) or piece by piece (the sheet and the
// shared strings, the content of an .ods). Element names are compared without their namespace
// prefix, since writers differ in the prefixes they use.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include "back_office/workbook/WorkbookInternal.h"

#include <zip.h>
#include <pugixml.hpp>

#include <functional>
#include <vector>

namespace workbook_detail {

// The element or attribute name without its namespace prefix.
const char* LocalName(const char* name);
bool Is(const pugi::xml_node& node, const char* localName);
pugi::xml_node Child(const pugi::xml_node& parent, const char* localName);
// The value of the element's attribute named localName (any prefix); empty when it has none.
QString AttributeOf(const pugi::xml_node& node, const char* localName);
// The text content of an element: its character data children joined.
QString TextOf(const pugi::xml_node& node);

struct Relationship {
    QString type;
    QString target;  // the part name it points to, resolved
};

bool TypeIs(const Relationship& relationship, const char* kind);

// Which container Package::ReadItems reads and how.
struct ItemsPlace {
    int index = 0;  // the container's place among the elements of its name, from 0
    // Elements around items (row groups) whose start and end tags are passed over: the items
    // inside come as if the container held them.
    std::vector<QByteArray> wrappers;
    bool keepSpace = false;  // keep character data of white space alone (significant in texts)
};

// The message of a damaged file of the package's kind, naming the file (path) and where (detail).
using DamagedFile = WorkbookError (*)(const QString& path, const QString& detail);

class Package {
  public:
    // Every failure to read the package or a part raises what damaged gives.
    Package(const QString& path, const QByteArray& bytes, DamagedFile damaged = DamagedWorkbook);
    ~Package();
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    bool Has(const QString& partName) const;
    // The inflated size the part claims (Read checks it); -1 when there is no such part.
    qint64 Size(const QString& partName) const;
    // The part's bytes, for the small parts (workbook, relationships, styles); one that is missing,
    // fails to inflate or claims more than 64 MB is a damaged workbook.
    QByteArray Read(const QString& partName) const;
    void Parse(const QString& partName, pugi::xml_document* document) const;
    // The relationships of a part (".rels" beside it), keyed by id; none when there is no file.
    QHash<QString, Relationship> Relationships(const QString& partName) const;

    // Reads the `item` elements inside a `container` element of a part (the first unless place
    // says which) without holding the part: the inflated bytes are cut after the last complete
    // item, and the items before the cut are parsed as one fragment and handed to take, in order.
    // A part without the container has no items.
    void ReadItems(const QString& partName, const char* container, const char* item,
                   const std::function<void(const pugi::xml_node&)>& take,
                   const ItemsPlace& place = {}) const;
    // The attribute (by its name without prefix) of every element named localName in a part, in
    // order, read piece by piece as ReadItems reads; empty text where the element has none.
    QStringList StartTagValues(const QString& partName, const char* localName,
                               const char* attribute) const;

  private:
    // The part's inflated bytes in pieces, each handed to take as it comes.
    void Stream(const QString& partName,
                const std::function<void(const char*, qsizetype)>& take) const;
    zip_int64_t Locate(const QString& partName) const;

    QString path_;
    DamagedFile damaged_;
    zip_t* archive_ = nullptr;
};

}  // namespace workbook_detail
