#include "SearchResultsTableModel.h"

#include "CellRoles.h"
#include "RecipePasteboard.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QSet>

SearchResultsTableModel::SearchResultsTableModel(SearchEngine& engine, QObject* parent)
    : QAbstractTableModel(parent)
    , m_engine(engine)
{
}

const QList<SearchResultsTableModel::Column>& SearchResultsTableModel::columns()
{
    static const QList<Column> list {
        { QStringLiteral("rank"), QCoreApplication::translate("SearchResultTableView", "Rank") },
        { QStringLiteral("name"), QCoreApplication::translate("SearchResultTableView", "Name") },
        { QStringLiteral("category"), QCoreApplication::translate("SearchResultTableView", "Category") },
        { QStringLiteral("cuisine"), QCoreApplication::translate("SearchResultTableView", "Cuisine") },
        { QStringLiteral("rating"), QCoreApplication::translate("SearchResultTableView", "Rating") },
    };
    return list;
}

int SearchResultsTableModel::columnOf(const QString& identifier)
{
    for (int column = 0; column < columns().size(); ++column) {
        if (columns().at(column).identifier == identifier)
            return column;
    }
    return -1;
}

void SearchResultsTableModel::reload()
{
    beginResetModel();
    endResetModel();
}

int SearchResultsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_engine.numberOfRows();
}

int SearchResultsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columns().size());
}

QVariant SearchResultsTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const SearchEngine::Row object = m_engine.rowObject(index.row());
    if (object.separator) {
        switch (role) {
        case Qt::DisplayRole:
            return object.separator->title();
        case CellRoles::CountStringValueRole:
            return object.separator->countStringValue();
        case CellRoles::DisclosurePathRole:
            return QVariant::fromValue(object.separator->disclosurePath());
        default:
            return {};
        }
    }
    if (!object.result || (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole))
        return {};
    const QString& key = columns().at(index.column()).identifier;
    if (role == Qt::ToolTipRole)
        return key == QLatin1String("name") ? object.result->name() : QVariant();
    return object.result->valueForKey(key);
}

bool SearchResultsTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    m_engine.setObjectValue(value, columns().at(index.column()).identifier, index.row());
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags SearchResultsTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const int row = index.row();
    if (!m_engine.rowObject(row).result)
        return Qt::ItemIsEnabled;
    if (m_selectable && !m_selectable(row))
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QVariant SearchResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= columns().size())
        return {};
    return columns().at(section).title;
}

QStringList SearchResultsTableModel::mimeTypes() const
{
    return { RecipePasteboard::recipeURIsMimeType };
}

QMimeData* SearchResultsTableModel::mimeData(const QModelIndexList& indexes) const
{
    QSet<int> rows;
    for (const QModelIndex& index : indexes)
        rows.insert(index.row());
    auto* data = new QMimeData;
    m_engine.writeRows(QList<int>(rows.begin(), rows.end()), *data);
    return data;
}
