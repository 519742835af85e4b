// Shows a StatusLog in the Step 4 status list: one row per logged action, with
// the columns of the form table ("Action", "Value 1", "Value 2").
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <optional>

#include "status/status_log.h"

namespace quillet {

class StatusListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kActionColumn = 0, kValue1Column = 1, kValue2Column = 2, kColumnCount = 3 };

  // The row's checked state (Qt::CheckState), kept apart from Qt::CheckStateRole
  // so that the list shows no check box that the user could not use anyway.
  static constexpr int kCheckedRole = Qt::UserRole + 1;

  // Shows the rows log holds now; log must outlive the model. The window
  // passes every later change on through LogChanged.
  explicit StatusListModel(const StatusLog& log, QObject* parent = nullptr);

  // The log has appended a row (its index) or was cleared (-1).
  void LogChanged(int appended_row);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  const StatusLog& log_;
  // The rows the views know about. The log appends a row before it tells the
  // model, so the count moves only between beginInsertRows and endInsertRows.
  int shown_rows_ = 0;
  mutable std::optional<QIcon> check_icon_;
  mutable std::optional<QIcon> cross_icon_;
};

}  // namespace quillet
