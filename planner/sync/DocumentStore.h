#pragma once

// How the synchronisation reads and writes the whole document: in the form of the document
// file. The document file implements it; a synchronisation without one neither saves nor
// follows another instance's save.

#include <QByteArray>
#include <QString>

#include <memory>

class TXMLTree;

class IDocumentStore
{
public:
    // The whole document as the bytes of one file, compressed when asked.
    virtual QByteArray SaveToBuffer(bool compress) = 0;
    // Reads one document file into the model (a new document); false when it cannot be read.
    virtual bool LoadFrom(const QString &fileName) = 0;
    // The same from the file's tree read already (which the loading takes apart); `compressed`
    // says how the file was written.
    virtual bool LoadFrom(const QString &fileName, std::unique_ptr<TXMLTree> tree, bool compressed) = 0;

protected:
    ~IDocumentStore() = default;
};
