// Old ini-style documents: any file reads into the model or is refused, in bounded time and
// memory whatever counts it claims; what it read saves.

#include <exception>

#include "FuzzSupport.h"
#include "document/DocumentFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TDocumentFile &document = fuzz::NewDocument();
    try {
        if (!document.ReadOldDocument(fuzz::WriteInput(fuzz::Bytes(data, size), QStringLiteral("old.zop"))))
            return 0;
    } catch (const std::exception &) {
        return 0; // a file it cannot read: the import logs it and opens nothing
    }
    document.SaveToBuffer(false);
    return 0;
}
