#include "Language.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMetaProperty>
#include <QMutex>
#include <QMutexLocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QWidget>

#include "MemIniFile.h"

namespace Language {

namespace {

const QString kCaption = QStringLiteral("caption");
const QString kHint = QStringLiteral("hint");
const QString kLineBreak = QStringLiteral("\\n");

// A key is looked up in the file's form: line breaks as backslash + "n", case folded.
QString lookupKey(const QString &text)
{
    QString key = text;
    if (key.contains(u'\r') || key.contains(u'\n')) {
        key.replace(QStringLiteral("\r\n"), kLineBreak);
        key.replace(u'\r', kLineBreak);
        key.replace(u'\n', kLineBreak);
    }
    return key.toCaseFolded();
}

struct State
{
    State() { load(QString()); }

    // Reads the "translated" section into a table; the first line of a key wins, as
    // the ini file's own lookup would have it.
    void load(const QString &name)
    {
        QHash<QString, QString> next;
        const QString file = name.isEmpty() ? QStringLiteral("default.lng") : name;
        {
            const TMemIniFile ini(file);
            QStringList lines;
            ini.ReadSectionValues(QStringLiteral("translated"), lines);
            for (const QString &line : lines) {
                const qsizetype eq = line.indexOf(u'=');
                const QString key = (eq < 0 ? QString() : line.left(eq)).toCaseFolded();
                if (!next.contains(key))
                    next.insert(key, eq < 0 ? QString() : line.mid(eq + 1));
            }
        }
        QMutexLocker lock(&mutex);
        fileName = file;
        table = std::move(next);
    }

    QMutex mutex; // guards fileName and table
    QString fileName;
    QHash<QString, QString> table;
    // GUI thread only: object -> lower-case property name -> English text.
    QHash<const QObject *, QHash<QString, QString>> cache;
};

Q_GLOBAL_STATIC(State, g_state)

// Names that can stand in a dotted path; other objects are looked through.
bool isPathName(const QString &name) { return !name.isEmpty() && !name.contains(u'.'); }

bool excluded(const QObject *obj) { return obj->property("noTranslate").toBool(); }

// A widget shown as a page of a tab widget gets its caption from the tab.
QTabWidget *tabOwner(const QObject *obj, int &index)
{
    const auto *page = qobject_cast<const QWidget *>(obj);
    if (!page)
        return nullptr;
    auto *stack = qobject_cast<QStackedWidget *>(page->parentWidget());
    auto *tabs = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
    if (!tabs)
        return nullptr;
    index = tabs->indexOf(const_cast<QWidget *>(page));
    return index >= 0 ? tabs : nullptr;
}

// QAction reports its text as the tool tip while none is set; that is no hint of its own.
QString strippedActionText(QString text)
{
    text.remove(QStringLiteral("..."));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&')
            text.remove(i, 1);
    }
    return text.trimmed();
}

bool hasCaption(const QObject *obj)
{
    int index = 0;
    if (qobject_cast<const QAction *>(obj) || qobject_cast<const QMenu *>(obj)
        || qobject_cast<const QGroupBox *>(obj) || qobject_cast<const QAbstractButton *>(obj)
        || qobject_cast<const QLabel *>(obj) || qobject_cast<const QDockWidget *>(obj)
        || tabOwner(obj, index))
        return true;
    const auto *widget = qobject_cast<const QWidget *>(obj);
    return widget && widget->isWindow();
}

QString captionOf(const QObject *obj)
{
    if (const auto *a = qobject_cast<const QAction *>(obj))
        return a->text();
    if (const auto *m = qobject_cast<const QMenu *>(obj))
        return m->title();
    if (const auto *g = qobject_cast<const QGroupBox *>(obj))
        return g->title();
    if (const auto *b = qobject_cast<const QAbstractButton *>(obj))
        return b->text();
    if (const auto *l = qobject_cast<const QLabel *>(obj))
        return l->text();
    int index = 0;
    if (QTabWidget *tabs = tabOwner(obj, index))
        return tabs->tabText(index);
    if (const auto *w = qobject_cast<const QWidget *>(obj))
        return w->windowTitle();
    return QString();
}

void setCaption(QObject *obj, const QString &text)
{
    if (auto *a = qobject_cast<QAction *>(obj))
        a->setText(text);
    else if (auto *m = qobject_cast<QMenu *>(obj))
        m->setTitle(text);
    else if (auto *g = qobject_cast<QGroupBox *>(obj))
        g->setTitle(text);
    else if (auto *b = qobject_cast<QAbstractButton *>(obj))
        b->setText(text);
    else if (auto *l = qobject_cast<QLabel *>(obj))
        l->setText(text);
    else if (int index = 0; QTabWidget *tabs = tabOwner(obj, index))
        tabs->setTabText(index, text);
    else if (auto *w = qobject_cast<QWidget *>(obj))
        w->setWindowTitle(text);
}

bool hasHint(const QObject *obj) { return qobject_cast<const QWidget *>(obj) || qobject_cast<const QAction *>(obj); }

QString hintOf(const QObject *obj)
{
    if (const auto *a = qobject_cast<const QAction *>(obj)) {
        const QString tip = a->toolTip();
        return tip == strippedActionText(a->text()) ? QString() : tip;
    }
    if (const auto *w = qobject_cast<const QWidget *>(obj))
        return w->toolTip();
    return QString();
}

void setHint(QObject *obj, const QString &text)
{
    if (auto *a = qobject_cast<QAction *>(obj))
        a->setToolTip(text);
    else if (auto *w = qobject_cast<QWidget *>(obj))
        w->setToolTip(text);
}

// The Qt property of that name, compared without regard to case.
QMetaProperty metaProperty(const QObject *obj, const QString &name)
{
    const QMetaObject *meta = obj->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (name.compare(QLatin1StringView(p.name()), Qt::CaseInsensitive) == 0)
            return p;
    }
    return QMetaProperty();
}

QByteArray dynamicPropertyName(const QObject *obj, const QString &name)
{
    const QList<QByteArray> names = obj->dynamicPropertyNames();
    for (const QByteArray &n : names) {
        if (name.compare(QLatin1StringView(n), Qt::CaseInsensitive) == 0)
            return n;
    }
    return QByteArray();
}

// The object a path leads to (its last part, the property, is left in property).
QObject *resolve(QObject *root, const QString &fullPath, QString &property)
{
    QString path = fullPath.trimmed();
    QString part;
    QObject *obj = nullptr;
    if (root) {
        obj = root;
        if (isPathName(root->objectName())) {
            GetFirstPart(path, part);
            if (part.compare(root->objectName(), Qt::CaseInsensitive) != 0)
                return nullptr;
        }
    }
    while (!IsLastPart(path)) {
        GetFirstPart(path, part);
        obj = FindComponent(obj, part);
        if (!obj)
            return nullptr;
    }
    property = path.trimmed();
    return obj;
}

void dropCache(QObject *obj)
{
    if (!g_state.isDestroyed())
        g_state->cache.remove(obj);
}

} // namespace

void SetLanguagefile(const QString &name)
{
    CloseFile();
    g_state->load(name);
}

void CloseFile()
{
    State *state = g_state;
    QMutexLocker lock(&state->mutex);
    state->table.clear();
}

QString LanguageFileName()
{
    State *state = g_state;
    QMutexLocker lock(&state->mutex);
    return state->fileName;
}

QString doTranslate(const QString &section, const QString &key, const QString &def)
{
    Q_UNUSED(section);
    State *state = g_state;
    const QString folded = lookupKey(key);
    QMutexLocker lock(&state->mutex);
    const auto it = state->table.constFind(folded);
    return it == state->table.cend() || it->isEmpty() ? def : *it;
}

QString Translate(const QString &text)
{
    QString result = doTranslate(QStringLiteral("Messages"), text, text);
    result.replace(kLineBreak, QStringLiteral("\n"));
    return result;
}

QString Translate(const QString &text, const QStringList &args)
{
    QString result = Translate(text);
    qsizetype from = 0;
    for (const QString &arg : args) {
        const qsizetype at = result.indexOf(QStringLiteral("%s"), from);
        if (at < 0)
            break;
        result.replace(at, 2, arg);
        from = at + arg.size();
    }
    return result;
}

void Translate(QObject *component)
{
    if (!component)
        return;
    QStringList paths;
    BuildProperties(component, paths, QString());
    for (const QString &path : std::as_const(paths))
        TranslateProperty(component, path);
}

void GetFirstPart(QString &path, QString &first)
{
    const qsizetype dot = path.indexOf(u'.');
    if (dot < 0) {
        first = path.trimmed();
        path.clear();
        return;
    }
    first = path.left(dot).trimmed();
    path = path.mid(dot + 1).trimmed();
}

bool IsLastPart(const QString &path) { return !path.contains(u'.'); }

QObject *FindComponent(QObject *owner, const QString &name)
{
    if (!owner) {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            if (w->objectName().compare(name, Qt::CaseInsensitive) == 0)
                return w;
        }
        return nullptr;
    }
    const QObjectList children = owner->children();
    for (QObject *child : children) {
        if (isPathName(child->objectName())) {
            if (child->objectName().compare(name, Qt::CaseInsensitive) == 0)
                return child;
        } else if (QObject *found = FindComponent(child, name)) {
            return found;
        }
    }
    return nullptr;
}

void BuildProperties(QObject *component, QStringList &list, const QString &prefix)
{
    const QString name = component->objectName();
    const bool named = isPathName(name);
    const QString path = !named ? prefix : prefix.isEmpty() ? name : prefix + u'.' + name;
    const QObjectList children = component->children();
    for (QObject *child : children)
        BuildProperties(child, list, path);
    if (!named || excluded(component))
        return;
    for (const QString &property : {kCaption, kHint}) {
        if (!HasProperty(component, property))
            continue;
        const QString text = StringProperty(component, property);
        if (text.isEmpty() || text == name || text == QStringLiteral("-"))
            continue;
        list.append(path + u'.' + property);
    }
}

void TranslateProperty(QObject *root, const QString &path)
{
    QString property;
    QObject *obj = resolve(root, path, property);
    if (!obj || !HasProperty(obj, property))
        return;
    State *state = g_state;
    const QString propertyKey = property.toLower();
    const auto cached = state->cache.constFind(obj);
    QString untranslated;
    if (cached != state->cache.cend() && cached->contains(propertyKey))
        untranslated = cached->value(propertyKey);
    else
        untranslated = StringProperty(obj, property);
    const QString translation = doTranslate(QStringLiteral("Static"), untranslated, untranslated);
    if (translation.isEmpty())
        return;
    if (cached == state->cache.cend()) {
        QObject::connect(obj, &QObject::destroyed, dropCache);
        state->cache[obj].insert(propertyKey, untranslated);
    } else if (!cached->contains(propertyKey)) {
        state->cache[obj].insert(propertyKey, untranslated);
    }

    const QVariant current = GetProperty(obj, property);
    switch (current.metaType().id()) {
    case QMetaType::QString: {
        QString text = translation;
        text.replace(kLineBreak, QStringLiteral("\n"));
        if (text != current.toString())
            SetProperty(obj, property, text);
        break;
    }
    case QMetaType::Int:
        SetProperty(obj, property, translation.toInt());
        break;
    default: {
        QStringList lines = translation.split(kLineBreak);
        for (QString &line : lines)
            line = line.trimmed();
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        SetStringsProperty(obj, property, lines);
        break;
    }
    }
}

void TranslateProperty(const QString &path) { TranslateProperty(nullptr, path); }

bool HasProperty(const QObject *obj, const QString &name)
{
    if (!obj)
        return false;
    if (name.compare(kCaption, Qt::CaseInsensitive) == 0 && hasCaption(obj))
        return true;
    if (name.compare(kHint, Qt::CaseInsensitive) == 0 && hasHint(obj))
        return true;
    return metaProperty(obj, name).isValid() || !dynamicPropertyName(obj, name).isEmpty();
}

QVariant GetProperty(const QObject *obj, const QString &name)
{
    if (!obj)
        return QVariant();
    if (name.compare(kCaption, Qt::CaseInsensitive) == 0 && hasCaption(obj))
        return captionOf(obj);
    if (name.compare(kHint, Qt::CaseInsensitive) == 0 && hasHint(obj))
        return hintOf(obj);
    if (const QMetaProperty p = metaProperty(obj, name); p.isValid())
        return p.read(obj);
    const QByteArray dynamic = dynamicPropertyName(obj, name);
    return dynamic.isEmpty() ? QVariant() : obj->property(dynamic.constData());
}

bool SetProperty(QObject *obj, const QString &name, const QVariant &value)
{
    if (!obj)
        return false;
    if (name.compare(kCaption, Qt::CaseInsensitive) == 0 && hasCaption(obj)) {
        setCaption(obj, value.toString());
        return true;
    }
    if (name.compare(kHint, Qt::CaseInsensitive) == 0 && hasHint(obj)) {
        setHint(obj, value.toString());
        return true;
    }
    if (const QMetaProperty p = metaProperty(obj, name); p.isValid())
        return p.write(obj, value);
    const QByteArray dynamic = dynamicPropertyName(obj, name);
    if (dynamic.isEmpty())
        return false;
    obj->setProperty(dynamic.constData(), value);
    return true;
}

QString StringProperty(const QObject *obj, const QString &name)
{
    // Numbers and lists read as the text a translation of them is made from.
    const QVariant v = GetProperty(obj, name);
    switch (v.metaType().id()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::Int:
        return QString::number(v.toInt());
    case QMetaType::QStringList:
        return v.toStringList().join(kLineBreak);
    default:
        return QString();
    }
}

int IntegerProperty(const QObject *obj, const QString &name)
{
    const QVariant v = GetProperty(obj, name);
    return v.metaType().id() == QMetaType::Int ? v.toInt() : 0;
}

bool SetStringsProperty(QObject *obj, const QString &name, const QStringList &lines)
{
    return SetProperty(obj, name, lines);
}

QString UntranslatedText(const QObject *obj, const QString &property)
{
    return g_state->cache.value(obj).value(property.toLower());
}

int UntranslatedObjectCount() { return int(g_state->cache.size()); }

} // namespace Language
