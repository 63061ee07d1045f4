#pragma once

#include "StoredVoice.h"
#include "TextTranslation.h"
#include "VoiceFilter.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>

class VoiceStore;

// The library's voices as a table: the ids the filter lets through are
// found at once (one query), their rows read a page at a time as they come
// into view, so a library of any size opens and filters at once.
class VoiceLibraryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Name, Form, FirstSource, Tags, Favourite, LastMet, ColumnCount };
    static constexpr int PageSize = 200;

    // The store must outlive the model.
    VoiceLibraryModel(VoiceStore &store, TextTranslation translate, QObject *parent = nullptr);

    void setFilter(const VoiceFilter &filter);
    const VoiceFilter &filter() const { return m_filter; }
    // Finds the rows anew (after a change to the library), sort kept.
    void refresh();

    qint64 idAt(int row) const { return m_ids.value(row); }
    // The row read as listed (no bytes; first source only).
    StoredVoice voiceAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Texts the table and the sources list show.
    static QString formText(VoiceDump::Form form, const TextTranslation &translate);
    static QString sourceText(const VoiceSource &source, VoiceDump::Form form,
                              const TextTranslation &translate);

private:
    void findIds();
    const QList<StoredVoice> &page(int index) const;

    VoiceStore &m_store;
    TextTranslation m_translate;
    VoiceFilter m_filter;
    QList<qint64> m_ids;
    int m_sortColumn = Name;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    mutable QHash<int, QList<StoredVoice>> m_pages;
};
