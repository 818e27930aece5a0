// The XML reader and writer: any bytes (plain or compressed) read into a tree or raise the
// reader's error; a tree that was read writes a text that reads back to the same text.

#include <QBuffer>

#include <cstdlib>
#include <exception>

#include "FuzzSupport.h"
#include "XmlTree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QBuffer stream;
    stream.setData(fuzz::Bytes(data, size));
    stream.open(QIODevice::ReadOnly);
    TXMLTree tree;
    try {
        tree.LoadFromStream(stream);
    } catch (const std::exception &) {
        return 0; // refused with a reason: fine
    }
    const QString written = tree.getText();
    TXMLTree again;
    try {
        again.setText(written);
    } catch (const std::exception &) {
        std::abort(); // what the writer wrote must read
    }
    if (again.getText() != written)
        std::abort();

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    tree.SaveToStream(out, true, [](const QString &) {});
    return 0;
}
