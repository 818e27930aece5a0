// Documents: any file (plain or compressed) loads into the model or is refused; a document
// that loaded saves, and what it saves loads and saves again to the same bytes.

#include <cstdlib>
#include <exception>

#include "FuzzSupport.h"
#include "document/DocumentFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TDocumentFile &document = fuzz::NewDocument();
    try {
        if (!document.LoadFrom(fuzz::WriteInput(fuzz::Bytes(data, size), QStringLiteral("input.zop"))))
            return 0;
    } catch (const std::exception &) {
        std::abort(); // the reader reports failures by its result
    }
    const QByteArray saved = document.SaveToBuffer(false);
    document.SaveToBuffer(true);

    TDocumentFile &again = fuzz::NewDocument();
    if (!again.LoadFrom(fuzz::WriteInput(saved, QStringLiteral("saved.zop"))))
        std::abort();
    if (again.SaveToBuffer(false) != saved)
        std::abort();
    return 0;
}
