// Shows a StatusLog in the Step 4 status list: one row per logged action, with
// the columns "Action", "Value 1" and "Value 2".
#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include "status/status_log.h"

namespace quillet {

class StatusListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kActionColumn = 0, kValue1Column = 1, kValue2Column = 2, kColumnCount = 3 };

  // The row's checked state (Qt::CheckState), kept apart from Qt::CheckStateRole
  // so that the list shows no check box that the user could not use anyway.
  static constexpr int kCheckedRole = Qt::UserRole + 1;

  // Follows log from now on; log must outlive the model.
  explicit StatusListModel(StatusLog& log, QObject* parent = nullptr);
  ~StatusListModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  void OnLogChanged(int appended_row);

  StatusLog& log_;
  // The rows the views know about. The log appends a row before it tells the
  // model, so the count moves only between beginInsertRows and endInsertRows.
  int shown_rows_ = 0;
  QIcon check_icon_;
  QIcon cross_icon_;
};

}  // namespace quillet
