#include "XmlTree.h"

#include "AtomicFile.h"
#include "BlockCompress.h"
#include "Cp1252.h"
#include "StreamIO.h"

#include <QBuffer>
#include <QFile>

TXMLTree::TXMLTree() : TXMLNode(QStringLiteral("root"), QString(), nullptr) {}

void TXMLTree::Clear()
{
    FNodeCount = 0;
    ClearNodes();
    ClearAttributes();
    SetName(QStringLiteral("root"));
    SetValue(QString());
    SetValueType(xvtString);
}

bool TXMLTree::LoadFromStream(QIODevice &stream)
{
    Clear();
    QByteArray bytes = stream.readAll();
    if (TLZR::hasMagic(bytes)) {
        // Plain XML never starts with the magic, so a stream that has it but does not
        // expand is damaged (or still being written); reading it as text would only
        // give a tree of garbage.
        QByteArray plain;
        if (!TLZR::decompressBytes(bytes, plain, true))
            throw EXMLError("The compressed XML data is damaged or incomplete");
        // The packed bytes are done with: a big file's tree grows while they would wait.
        bytes = QByteArray();
        ProcessXML(plain);
        return true;
    }
    ProcessXML(bytes);
    return false;
}

bool TXMLTree::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EXMLError(QStringLiteral("Cannot open \"%1\": %2").arg(fileName, file.errorString()).toStdString());
    return LoadFromStream(file);
}


bool TXMLTree::SaveToStream(QIODevice &stream, bool compress, const TXMLErrorHandler &onError)
{
    const qint64 start = stream.pos();
    const auto fail = [&](const QString &message) {
        if (!stream.isSequential())
            stream.seek(start);
        if (onError)
            onError(message);
        return false;
    };
    try {
        // Every character outside Windows-1252 is written as a reference, so nothing is
        // replaced here.
        QByteArray plain = platform::toCp1252(getText());
        if (compress) {
            QBuffer source(&plain);
            source.open(QIODevice::ReadOnly);
            TLZR lzr;
            if (lzr.Compress(source, stream))
                return true;
            // Compression failed: write the plain text instead, from the same place.
            if (stream.isSequential() || !stream.seek(start))
                return fail(QStringLiteral("Could not write the compressed XML data: %1").arg(stream.errorString()));
        }
        if (!platform::writeAll(stream, plain))
            return fail(QStringLiteral("Could not write the XML data: %1").arg(stream.errorString()));
        return true;
    } catch (const std::exception &e) {
        return fail(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return fail(QStringLiteral("Unknown error while writing the XML data"));
    }
}

bool TXMLTree::SaveToFile(const QString &fileName, bool compress, const TXMLErrorHandler &onError)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!SaveToStream(buffer, compress, onError))
        return false;
    buffer.close();
    QString error;
    if (!platform::writeFileAtomically(fileName, bytes, &error)) {
        if (onError)
            onError(error);
        return false;
    }
    return true;
}
