#include "qt/status_list_model.h"

#include <QColor>
#include <QFont>

#include "qt/twips.h"
#include "qt/window_controls.h"
#include "wizard/form.h"

namespace quillet {

namespace {

QIcon LoadRowIcon(const QString& drawing) {
  // The list's images are 16 by 16: the rasters of the drawing at 100, 150 and
  // 200 %, which the list picks from by the screen's scale.
  QIcon icon;
  for (const char* suffix : {".png", "@1.5x.png", "@2x.png"}) {
    icon.addPixmap(QPixmap::fromImage(ReadImage(drawing + QLatin1String(suffix), "png")));
  }
  return icon;
}

QVariant TextOrNothing(const std::string& text) {
  if (text.empty()) return {};
  return QString::fromStdString(text);
}

}  // namespace

StatusListModel::StatusListModel(const StatusLog& log, QObject* parent)
    : QAbstractTableModel(parent), log_(log), shown_rows_(static_cast<int>(log.Rows().size())) {}

void StatusListModel::LogChanged(int appended_row) {
  if (appended_row < 0 || appended_row < shown_rows_) {
    beginResetModel();
    shown_rows_ = static_cast<int>(log_.Rows().size());
    endResetModel();
    return;
  }
  beginInsertRows(QModelIndex(), shown_rows_, appended_row);
  shown_rows_ = appended_row + 1;
  endInsertRows();
}

int StatusListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return shown_rows_;
}

int StatusListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant StatusListModel::data(const QModelIndex& index, int role) const {
  // A view may still ask about rows the log has just dropped, before the reset.
  if (!index.isValid() || index.row() >= rowCount() ||
      static_cast<std::size_t>(index.row()) >= log_.Rows().size()) {
    return {};
  }
  const StatusRow& row = log_.Rows()[static_cast<std::size_t>(index.row())];

  if (index.column() == kActionColumn) {
    switch (role) {
      case Qt::DisplayRole:
        return QString::fromStdString(row.action);
      case Qt::ToolTipRole:
        // The command row's message may hold several lines, joined with CR LF.
        if (row.message.empty()) return {};
        return ToolTipText(row.message);
      case Qt::AccessibleDescriptionRole:
        // The outcome, which the list shows only by colour and image.
        return TextOrNothing(StatusRowDescription(row));
      case Qt::ForegroundRole:
        return WindowsColour(row.colour);
      case Qt::FontRole: {
        QFont font;
        font.setBold(true);
        return font;
      }
      case Qt::DecorationRole:
        // Loaded when the first row is drawn: an empty list needs neither.
        if (row.check_mark) {
          if (!check_icon_) check_icon_ = LoadRowIcon(QStringLiteral(":/images/check"));
          return *check_icon_;
        }
        if (!cross_icon_) cross_icon_ = LoadRowIcon(QStringLiteral(":/images/cross"));
        return *cross_icon_;
      case kCheckedRole:
        return row.checked ? Qt::Checked : Qt::Unchecked;
      default:
        return {};
    }
  }

  const std::string& value = index.column() == kValue1Column ? row.value1 : row.value2;
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(value);
    case Qt::ToolTipRole:
      if (value.empty()) return {};
      return ToolTipText(value);
    default:
      return {};
  }
}

QVariant StatusListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= kColumnCount) return {};
  const std::string_view header = kStatusColumns[section].header;
  return QString::fromUtf8(header.data(), static_cast<qsizetype>(header.size()));
}

}  // namespace quillet
