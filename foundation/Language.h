#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

class QObject;

// Run-time translation of the program's texts from one language file at a time.
//
// A language file is an ini file (MemIniFile.h: Windows-1252, or UTF-8 with a byte order
// mark) whose section "translated" maps the English text as written in the code to its
// translation. Keys match case-insensitively and untrimmed. In keys and values the two
// characters backslash + "n" stand for a line break; a line break in the text passed to
// Translate matches that form, and a translation shows it as a real line break ("\n").
//
// Windows are translated by their object names: every named object below a window is
// addressed by a dotted path of names ("Window.GroupBox.OkButton.caption"); objects
// without a name are passed through (their children still count). Two properties are
// translated: "caption" (the text of labels, buttons, actions and menu items, the title
// of group boxes, menus, dock widgets and windows, the tab text of a tab page) and
// "hint" (the tool tip). Texts that are empty, equal to the object's name or "-" are
// left alone, and so is any object with the dynamic property "noTranslate" set to true.
// The English text a property had before its first translation is kept, so a window can
// be translated again into another language; the entry goes when its object is
// destroyed.
//
// Translate(text) may be called from any thread; window translation and the language
// switch belong to the GUI thread.
namespace Language {

// Opens the named file as the language file ("default.lng" when empty); a missing file
// gives no translations.
void SetLanguagefile(const QString &name);
// Forgets the language file (it is never written).
void CloseFile();
// The file last given to SetLanguagefile ("default.lng" at start).
QString LanguageFileName();

// The translation of key, or def when there is none or it is empty. The section is not
// used (callers pass "Messages" or "Static").
QString doTranslate(const QString &section, const QString &key, const QString &def);

// The translation of text (text itself when there is none), backslash + "n" made a line
// break.
QString Translate(const QString &text);
// Translate(text), then each argument in order replaces the next "%s" after the previous
// argument's end: an argument that itself holds "%s" is never filled. Surplus arguments
// are ignored; surplus "%s" stay.
QString Translate(const QString &text, const QStringList &args);
// Translates the captions and hints of the object and of every named object below it.
void Translate(QObject *component);

// Paths.
void GetFirstPart(QString &path, QString &first);
bool IsLastPart(const QString &path);
// The first object named name below owner (case-insensitive), looking through unnamed
// objects; owner null searches the application's top-level windows.
QObject *FindComponent(QObject *owner, const QString &name);
// The "path.property" entries of component and everything below it, children first.
void BuildProperties(QObject *component, QStringList &list, const QString &prefix);
// Translates one property addressed by a path that starts at root (root null: the
// application's top-level windows).
void TranslateProperty(QObject *root, const QString &path);
void TranslateProperty(const QString &path);

// Properties by name (case-insensitive): "caption" and "hint" as above, else the object's
// Qt properties.
bool HasProperty(const QObject *obj, const QString &name);
QVariant GetProperty(const QObject *obj, const QString &name);
bool SetProperty(QObject *obj, const QString &name, const QVariant &value);
QString StringProperty(const QObject *obj, const QString &name);
int IntegerProperty(const QObject *obj, const QString &name);
bool SetStringsProperty(QObject *obj, const QString &name, const QStringList &lines);

// The English text kept for an object's property (empty when not translated yet), and
// the number of objects that have kept texts.
QString UntranslatedText(const QObject *obj, const QString &property);
int UntranslatedObjectCount();

} // namespace Language

using Language::Translate;
