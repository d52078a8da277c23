// The OLE2 compound file around a legacy .xls workbook, opened with libgsf (which follows the
// sector chains and the mini stream): the workbook stream, or the true reason there is none; and
// whether a compound file holds a package saved with a password.
#include "back_office/workbook/WorkbookInternal.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <memory>

namespace workbook_detail {

namespace {

struct Unref {
    void operator()(void* object) const { g_object_unref(object); }
};
using InputPtr = std::unique_ptr<GsfInput, Unref>;
using InfilePtr = std::unique_ptr<GsfInfile, Unref>;

// The index of the child named one of names (in their order of preference) without regard to
// letter case; -1 when there is none.
int ChildNamed(GsfInfile* folder, std::initializer_list<const char*> names) {
    const int count = gsf_infile_num_children(folder);
    for (const char* wanted : names)
        for (int i = 0; i < count; ++i) {
            const char* name = gsf_infile_name_by_index(folder, i);
            if (name && g_ascii_strcasecmp(name, wanted) == 0) return i;
        }
    return -1;
}

// The compound file in bytes (container null when it cannot be opened).
struct Compound {
    InputPtr input;
    InfilePtr container;
};

Compound Open(const QByteArray& bytes) {
    static const bool initialised = [] {
        gsf_init();
        return true;
    }();
    Q_UNUSED(initialised);
    Compound compound;
    compound.input.reset(gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.constData()),
                                              bytes.size(), FALSE));
    GError* error = nullptr;
    if (compound.input)
        compound.container.reset(gsf_infile_msole_new(compound.input.get(), &error));
    if (error) g_error_free(error);
    return compound;
}

}  // namespace

bool IsEncryptedPackage(const QByteArray& bytes) {
    const Compound compound = Open(bytes);
    return compound.container && ChildNamed(compound.container.get(), {"EncryptedPackage"}) >= 0;
}

QByteArray WorkbookStream(const QString& path, const QByteArray& bytes) {
    const Compound compound = Open(bytes);
    GsfInfile* const container = compound.container.get();
    if (!container) throw DamagedWorkbook(path, QString());

    // Excel 97-2003 writes "Workbook", Excel 5.0/95 "Book"; other programs change the case.
    const int index = ChildNamed(container, {"Workbook", "Book"});
    if (index < 0) {
        // An .xlsx saved with a password is an encrypted package inside a compound file.
        if (ChildNamed(container, {"EncryptedPackage"}) >= 0) throw PasswordProtected(path);
        throw NotAWorkbook(path);
    }
    const InputPtr stream(gsf_infile_child_by_index(container, index));
    if (!stream) throw DamagedWorkbook(path, QString());
    // A stream longer than the file can only come from a damaged sector table.
    const gsf_off_t size = gsf_input_size(stream.get());
    if (size < 0 || size > bytes.size()) throw DamagedWorkbook(path, QString());
    QByteArray result(qsizetype(size), Qt::Uninitialized);
    if (size > 0 &&
        !gsf_input_read(stream.get(), size_t(size), reinterpret_cast<guint8*>(result.data())))
        throw DamagedWorkbook(path, QString());
    return result;
}

}  // namespace workbook_detail
