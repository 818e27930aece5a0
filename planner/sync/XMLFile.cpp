#include "sync/XMLFile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <exception>

const QString EmptyDocumentTemplate = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><document><setup /><data /><diff index=\"0\" /></document>");

int getIndex(const TXMLNode *diff)
{
    if (!diff)
        return -1;
    const int own = TXMLAttribute::ToIntOf(diff->namedAttribute(QStringLiteral("index")), -1);
    if (own != -1)
        return own;
    int result = -1;
    for (const auto &child : diff->Nodes())
        result = std::max(result, TXMLAttribute::ToIntOf(child->namedAttribute(QStringLiteral("index")), -1));
    return result;
}

int updateIndex(TXMLNode *diff)
{
    if (!diff)
        return -1;
    int i = getIndex(diff);
    // Readers apply only indices above -1, so a diff element without any starts at 1.
    if (i < 0)
        i = 0;
    if (i == INT_MAX)
        return -1;
    ++i;
    const QString text = QString::number(i);
    if (TXMLAttribute *attribute = diff->namedAttribute(QStringLiteral("index")))
        attribute->SetValue(text);
    else
        diff->AddAttribute(QStringLiteral("index"), text);
    return i;
}

TXMLFile::TXMLFile(const QString &fileName, bool readOnly)
    : FFilename(fileName), Fxml(std::make_unique<TXMLTree>()), FReadOnly(readOnly)
{
    Fxml->setText(EmptyDocumentTemplate);
    Read();
}

TXMLFile::~TXMLFile() = default;

TXMLFile::TReadState TXMLFile::Read(QString *error)
{
    QFile file(FFilename);
    if (!file.exists()) {
        FReadState = rsEmpty;
        return FReadState;
    }
    const auto unreadable = [&](const QString &message) {
        if (error)
            *error = message;
        FReadState = rsUnreadable;
        return FReadState;
    };
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(QStringLiteral("Cannot open \"%1\": %2").arg(FFilename, file.errorString()));
    // One read of the whole file: a writer replaces it by renaming, so this is one version.
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return unreadable(QStringLiteral("Cannot read \"%1\": %2").arg(FFilename, file.errorString()));
    file.close();
    if (bytes.isEmpty()) {
        Fxml->setText(EmptyDocumentTemplate);
        FLastSize = 0;
        FReadState = rsEmpty;
        return FReadState;
    }
    auto tree = std::make_unique<TXMLTree>();
    bool compressed = false;
    try {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        compressed = tree->LoadFromStream(buffer);
    } catch (const std::exception &e) {
        unreadable(QStringLiteral("Cannot read \"%1\": %2").arg(FFilename, QString::fromLocal8Bit(e.what())));
        FReadState = rsDamaged;
        return FReadState;
    }
    Fxml = std::move(tree);
    FWasCompressed = compressed;
    FLastSize = bytes.size();
    FReadState = rsRead;
    return FReadState;
}

bool TXMLFile::Flush(QString *error)
{
    if (FReadOnly) {
        if (error)
            *error = QStringLiteral("\"%1\" is open read-only").arg(FFilename);
        return false;
    }
    QString message;
    if (!Fxml->SaveToFile(FFilename, FCompressed, [&message](const QString &m) { message = m; })) {
        if (error)
            *error = message;
        return false;
    }
    FLastSize = QFileInfo(FFilename).size();
    return true;
}
