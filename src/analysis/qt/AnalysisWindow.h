#pragma once
// The analysis window (objectName "AnalysisWindow") of a log opened with
// File > Open Log: the messages in a list formatted on demand, filters by
// identifier, name, direction and data, search next and previous, going to a
// time; below the list the decoded signals of the selected row, the
// statistics per identifier, and the plot of the log's signals.
#include <QAbstractTableModel>

#include <functional>
#include <string>
#include <vector>
#include <QWidget>

#include <memory>

#include "analysis/LogAnalysis.h"
#include "common/UserDialogs.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;
class QTableWidget;
class QTimer;

namespace tarvo {

class PlotPanel;
class SignalsPanel;

class AnalysisModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  AnalysisModel(const TLogAnalysis& analysis, QObject* parent = nullptr);
  void SetDatabase(const TDbcDatabase* database) { database_ = database; }
  void Reset() {
    beginResetModel();
    shown_ = analysis_.RowCount();
    endResetModel();
  }
  // Rows the index took in since the model last looked, announced at once.
  void Grow();
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const TLogAnalysis& analysis_;
  const TDbcDatabase* database_ = nullptr;
  size_t shown_ = 0;  // the rows announced to the view
};

// The statistics per identifier, formatted on demand: a log of millions of
// identifiers shows them without an item per cell.
class StatisticsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;
  void Set(std::vector<TIdStatistics> statistics) {
    beginResetModel();
    statistics_ = std::move(statistics);
    endResetModel();
  }
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  std::function<std::string(uint16_t)> channelNames_;

 private:
  std::vector<TIdStatistics> statistics_;
};

class AnalysisWindow : public QWidget {
  Q_OBJECT
 public:
  AnalysisWindow(std::unique_ptr<TLogAnalysis> analysis, const TDbcDatabase* database, UserDialogs& dialogs,
                 QWidget* parent = nullptr);
  ~AnalysisWindow() override;

  TLogAnalysis& Analysis() { return *analysis_; }
  QTableView* List() const { return list_; }
  PlotPanel* Plot() const { return plot_; }

  void ApplyFilter();
  // The signal on a row of the Signals tab into the Plot tab; false when
  // the row names none of the database.
  bool PlotSignalOfRow(int row);
  bool Search(bool forward);
  bool GoToTime(double seconds);
  void ShowStatistics();
  // One piece of the log indexed while the window stays responsive.
  void IndexSome();
  void FillChannels();

 private:
  void BuildControls();
  void ShowSelectedSignals();
  void ShowCounts();
  void SelectRow(long row);

  std::unique_ptr<TLogAnalysis> analysis_;
  const TDbcDatabase* database_;
  UserDialogs& dialogs_;
  AnalysisModel* model_ = nullptr;
  QTableView* list_ = nullptr;
  QLineEdit* ids_ = nullptr;
  QLineEdit* name_ = nullptr;
  QComboBox* direction_ = nullptr;
  QComboBox* channel_ = nullptr;
  QComboBox* timeBase_ = nullptr;
  QTimer* indexing_ = nullptr;
  bool followingPlot_ = false;
  QLineEdit* data_ = nullptr;
  QLineEdit* search_ = nullptr;
  QLineEdit* time_ = nullptr;
  QLabel* counts_ = nullptr;
  SignalsPanel* signals_ = nullptr;
  QTableView* statistics_ = nullptr;
  StatisticsModel* statisticsModel_ = nullptr;
  PlotPanel* plot_ = nullptr;
};

}  // namespace tarvo
