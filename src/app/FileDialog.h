#pragma once

#include <QObject>
#include <QString>

class Prompts;
class QWidget;

// A file-open or file-save dialog kept by a window as a child object, so
// that its title and filter are texts of that window (the translation layer
// reaches them as properties). The filter is kept in the
// "description|pattern|description|pattern" form and turned into Qt's form
// each time the dialog is shown, through the window's prompts.
class FileDialog : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Title READ Title WRITE setTitle)
    Q_PROPERTY(QString Filter READ Filter WRITE setFilter)
    // Read-only, so that it is never taken for a text to translate.
    Q_PROPERTY(QString DefaultExt READ DefaultExt)

public:
    enum class Kind { Open, Save };

    static constexpr QChar FilterSeparator = u'|';
    static constexpr QChar PatternSeparator = u';';

    FileDialog(Kind kind, const QString &title, const QString &filter, const QString &defaultExt,
               QObject *owner);

    Kind kind() const { return m_kind; }
    QString Title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }
    QString Filter() const { return m_filter; }
    void setFilter(const QString &filter) { m_filter = filter; }
    QString DefaultExt() const { return m_defaultExt; }

    // Shows the dialog (a save dialog proposes `proposed`) and returns the
    // chosen file name, empty when the user cancelled. A save name typed
    // without extension gets the default one; when a file of that name exists
    // already, the user is asked whether to replace it, and "No" shows the
    // dialog again.
    QString execute(Prompts &prompts, QWidget *parent, const QString &proposed = QString()) const;

    // "SysEx Files (*.syx)|*.syx|All (*.*)|*.*" gives
    // "SysEx Files (*.syx);;All (*.*)". A description that does not already
    // end with its patterns in parentheses gets them appended, since Qt
    // filters by those parentheses; ";"-separated patterns become blank-
    // separated; a description without pattern filters nothing out.
    static QString qtFilter(const QString &filter);
    // `fileName` with "." + `extension` appended when its last path part has
    // no extension of its own.
    static QString withDefaultExt(const QString &fileName, const QString &extension);

private:
    Kind m_kind;
    QString m_title;
    QString m_filter;
    QString m_defaultExt;
};
