#include "VoiceLibraryModel.h"

#include "BankSendPlan.h"
#include "VoiceStore.h"

#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace {

// Pages kept in memory before the cache starts again: a few screens' worth.
constexpr int CachedPages = 50;
const QString FavouriteMark = QStringLiteral("\u2605");

} // namespace

VoiceLibraryModel::VoiceLibraryModel(VoiceStore &store, TextTranslation translate,
                                     QObject *parent)
    : QAbstractTableModel(parent), m_store(store),
      m_translate(translate ? std::move(translate) : [](const QString &text) { return text; })
{
    findIds();
}

void VoiceLibraryModel::setFilter(const VoiceFilter &filter)
{
    m_filter = filter;
    refresh();
}

void VoiceLibraryModel::refresh()
{
    beginResetModel();
    findIds();
    endResetModel();
}

void VoiceLibraryModel::findIds()
{
    m_pages.clear();
    m_ids = m_store.find(m_filter);
    if (m_sortColumn == Name) {
        // The store lists by name already.
        if (m_sortOrder == Qt::DescendingOrder)
            std::reverse(m_ids.begin(), m_ids.end());
        return;
    }
    // Any other column needs every row once, read in pages.
    QList<StoredVoice> all;
    all.reserve(m_ids.size());
    for (qsizetype i = 0; i < m_ids.size(); i += PageSize)
        all += m_store.rows(m_ids.mid(i, PageSize));
    const int column = m_sortColumn;
    const auto key = [&](const StoredVoice &v) -> QVariant {
        switch (column) {
        case Form:
            return int(v.form);
        case FirstSource:
            return v.sources.isEmpty() ? QString() : sourceText(v.sources.first(), v.form, m_translate);
        case Tags:
            return v.tags.join(QLatin1Char(' '));
        case Favourite:
            return v.favourite ? 0 : 1;
        default:
            return v.lastMet;
        }
    };
    std::stable_sort(all.begin(), all.end(), [&](const StoredVoice &a, const StoredVoice &b) {
        const QPartialOrdering order = QVariant::compare(key(a), key(b));
        return m_sortOrder == Qt::AscendingOrder ? order == QPartialOrdering::Less
                                                 : order == QPartialOrdering::Greater;
    });
    m_ids.clear();
    for (const StoredVoice &v : all)
        m_ids.append(v.id);
}

const QList<StoredVoice> &VoiceLibraryModel::page(int index) const
{
    auto found = m_pages.constFind(index);
    if (found != m_pages.constEnd())
        return *found;
    if (m_pages.size() >= CachedPages)
        m_pages.clear();
    QList<StoredVoice> rows = m_store.rows(m_ids.mid(qsizetype(index) * PageSize, PageSize));
    return *m_pages.insert(index, rows);
}

StoredVoice VoiceLibraryModel::voiceAt(int row) const
{
    if (row < 0 || row >= m_ids.size())
        return {};
    // A voice taken out meanwhile is missing from its page: look it up by id.
    for (const StoredVoice &v : page(row / PageSize)) {
        if (v.id == m_ids[row])
            return v;
    }
    return {};
}

int VoiceLibraryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_ids.size());
}

int VoiceLibraryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant VoiceLibraryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const StoredVoice v = voiceAt(index.row());
    switch (index.column()) {
    case Name:
        return v.name;
    case Form:
        return formText(v.form, m_translate);
    case FirstSource:
        if (v.sources.isEmpty())
            return {};
        if (role == Qt::ToolTipRole && v.sources.first().kind == VoiceSource::Kind::File)
            return v.sources.first().file;
        return sourceText(v.sources.first(), v.form, m_translate);
    case Tags:
        return v.tags.join(QStringLiteral(", "));
    case Favourite:
        return v.favourite ? FavouriteMark : QString();
    case LastMet:
        return QLocale().toString(v.lastMet.toLocalTime(), QLocale::ShortFormat);
    default:
        return {};
    }
}

QVariant VoiceLibraryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const titles[ColumnCount] = {"Name", "Form", "First met in", "Tags",
                                                    "Favourite", "Last met"};
    return section >= 0 && section < ColumnCount
               ? m_translate(QString::fromLatin1(titles[section]))
               : QVariant();
}

void VoiceLibraryModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    refresh();
}

QString VoiceLibraryModel::formText(VoiceDump::Form form, const TextTranslation &translate)
{
    switch (form) {
    case VoiceDump::Form::Full:
        return translate(QStringLiteral("Full"));
    case VoiceDump::Form::Custom:
        return translate(QStringLiteral("Custom"));
    default:
        return translate(QStringLiteral("Internal"));
    }
}

QString VoiceLibraryModel::sourceText(const VoiceSource &source, VoiceDump::Form form,
                                      const TextTranslation &translate)
{
    QString text;
    switch (source.kind) {
    case VoiceSource::Kind::File:
        text = QFileInfo(source.file).fileName();
        if (source.position > 0)
            text += QStringLiteral(" #") + QString::number(source.position);
        return text;
    case VoiceSource::Kind::Panel:
        text = translate(QStringLiteral("From the panel"));
        break;
    case VoiceSource::Kind::Fetched:
        text = translate(QStringLiteral("Asked for"));
        break;
    case VoiceSource::Kind::Backup:
        text = translate(QStringLiteral("Backup"));
        break;
    case VoiceSource::Kind::Sent:
        text = translate(QStringLiteral("Sent"));
        break;
    case VoiceSource::Kind::Held:
        // Kept just before the slot was written over.
        return translate(QStringLiteral("Held by %1 of device %2 until %3"))
            .arg(translate(BankSendPlan::placeText(form, source.slot)))
            .arg(source.device + 1)
            .arg(QLocale().toString(source.when, QLocale::ShortFormat));
    }
    if (source.slot > 0)
        text += QLatin1Char(' ') + translate(BankSendPlan::placeText(form, source.slot));
    else if (source.kind == VoiceSource::Kind::Sent)
        text += QLatin1Char(' ') + translate(QStringLiteral("to the current voice"));
    return text;
}
