#pragma once

#include <QWidget>

#include "app/saves_window.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace quarlo::ui {

// One character's saves: a table beside the selected save's screenshot, and
// below it Move To…, Copy To… and Delete for the selected saves. A top-level
// window of its own (no owner, no modality), discarded when closed; the logic
// behind it reads the folder on opening and on F5.
class SavesWindow : public QWidget, public app::SavesView {
    Q_OBJECT
  public:
    explicit SavesWindow(app::SavesSource source, const QFont& font);

    const std::string& characterName() const { return logic_.source().name; }
    QTableWidget* table() const { return table_; }
    QLabel* picture() const { return picture_; }
    QTableWidget* plugins() const { return plugins_; }
    QLabel* details() const { return details_; }
    // Reads the folder again, as F5 does.
    void refresh() { logic_.onRefresh(); }

    // app::SavesView
    void setTitle(const std::string& title) override;
    void setRows(const std::vector<app::SaveRow>& rows) override;
    void selectRow(int row) override;
    void showScreenshot(std::uint32_t width, std::uint32_t height, const std::string& rgb) override;
    void clearScreenshot() override;
    void showPlugins(const std::vector<app::PluginLine>& plugins) override;
    void setPluginNote(const std::string& note) override;
    void showDetails(const std::vector<std::string>& lines) override;
    std::vector<int> selectedRows() const override;
    std::optional<std::string> askDestination(const std::string& title, const std::string& prompt,
                                              const std::vector<std::string>& characters) override;
    bool confirm(const std::string& title, const std::string& question) override;
    void showMessage(const std::string& title, const std::string& text) override;
    void savesChanged(bool charactersAdded) override;
    void runWithProgress(const std::string& title,
                         const std::function<void(const saves::Progress&)>& work) override;

  signals:
    // Saves went into or out of a folder from this window.
    void savesMoved(bool charactersAdded);

  private:
    void fitColumns();

    app::SavesWindow logic_;
    QTableWidget* table_;
    QLabel* picture_;
    QTableWidget* plugins_;
    QLabel* pluginNote_;
    QLabel* details_;
};

}  // namespace quarlo::ui
