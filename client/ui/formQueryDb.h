#pragma once

#include "downloads/downloadQueue.h"
#include "downloads/outsideLinks.h"
#include "webservice/radio.h"
#include "webservice/search.h"
#include "webservice/similarArtists.h"
#include "webservice/statistics.h"

#include <QMainWindow>

class ClickableLabel;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSlider;
class QTabBar;
class QTableWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QListWidgetItem;
class formHandleDownload;

namespace downloads {
struct DownloadPanel;
}

namespace platform {
class ImageList;
class MediaPlayerControl;
class SocketControl;
class WebBrowserControl;
} // namespace platform

namespace media {
class MprisService;
}

// The main window. Every control is a public member named as the program's design names it, with
// the same object name, so the modules and the tests reach it directly or with findChild.
// Panels are laid out in a fixed-size window and switched by guiRepositioning.
class formQueryDb : public QMainWindow
{
    Q_OBJECT
public:
    explicit formQueryDb(QWidget *parent = nullptr);
    ~formQueryDb() override;

    // False when the start-up could not make its folders; the program must end then.
    bool isLoaded() const { return m_loaded; }

    // The track action chooser, created with the main window (its Winsock1 carries slot 6).
    formHandleDownload *chooser() const { return m_chooser; }

    // Connect frame.
    QGroupBox *Frame7 = nullptr;
    QLabel *Picture4 = nullptr;
    QLabel *Picture3 = nullptr;
    QPushButton *Command3 = nullptr;

    // Search options.
    QGroupBox *Frame1 = nullptr;
    QLabel *Picture2 = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command1 = nullptr;
    QTabBar *TabStrip1 = nullptr;
    QGroupBox *Frame3 = nullptr;
    QPushButton *Command5 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QComboBox *Combo1 = nullptr;
    QPushButton *Command4 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label4 = nullptr;

    // Search results.
    QGroupBox *Frame2 = nullptr;
    QTableWidget *MSFlexGrid1 = nullptr;

    // Current download.
    QGroupBox *Frame4 = nullptr;
    QListWidget *List2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLineEdit *Text4 = nullptr;
    QLineEdit *Text5 = nullptr;
    QPushButton *Command2 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *Label16 = nullptr;
    QTimer *Timer1 = nullptr;
    QTimer *Timer3 = nullptr;

    // Radio recommendations.
    QGroupBox *Frame5 = nullptr;
    QListWidget *List3 = nullptr;

    // Similar artists (the label moves with the search panels, the tree never moves).
    QLabel *Label5 = nullptr;
    QTreeWidget *TreeView2 = nullptr;
    platform::ImageList *ImageList2 = nullptr;

    // Recommendations.
    QGroupBox *Frame6 = nullptr;
    QPushButton *Command6 = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    platform::ImageList *ImageList1 = nullptr;
    ClickableLabel *Image1 = nullptr;
    ClickableLabel *Image2 = nullptr;
    ClickableLabel *Image3 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label6 = nullptr;
    QLabel *Label7 = nullptr;

    // Library and playback. MMControl1Area holds the player control (an empty QHBoxLayout to add it to).
    QGroupBox *Frame8 = nullptr;
    QListWidget *List1 = nullptr;
    QGroupBox *Frame10 = nullptr;
    QLabel *Picture1 = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label12 = nullptr;
    QGroupBox *Frame9 = nullptr;
    QSlider *Slider1 = nullptr;
    QWidget *MMControl1Area = nullptr;
    platform::MediaPlayerControl *MMControl1 = nullptr;
    QLabel *Label9 = nullptr;
    QLabel *Label10 = nullptr;
    QPushButton *Command8 = nullptr;
    QTimer *Timer2 = nullptr;

    // Shop suggestions: uk, us, ca, fr, de, jp.
    QPushButton *Command9 = nullptr;
    QPushButton *Command14 = nullptr;
    QPushButton *Command10 = nullptr;
    QPushButton *Command11 = nullptr;
    QPushButton *Command12 = nullptr;
    QPushButton *Command13 = nullptr;
    platform::WebBrowserControl *WebBrowser1 = nullptr;

    // What the server told us and what the panels list; handed to the functions that fill them.
    webservice::ServerStatistics serverStatistics;
    webservice::GenreNames genreNames;
    webservice::RecommendedArtists recommendedArtists;
    webservice::SearchResults searchResults;
    webservice::SimilarArtists similarArtists;
    webservice::RadioStations radioStations;
    downloads::DownloadQueue downloadQueue;
    downloads::ShopSuggestions shopSuggestions;
    bool searchPanelShown = false;

    // One socket per connection slot: Winsock1..5 carry slots 1..5.
    platform::SocketControl *Winsock1 = nullptr;
    platform::SocketControl *Winsock2 = nullptr;
    platform::SocketControl *Winsock3 = nullptr;
    platform::SocketControl *Winsock4 = nullptr;
    platform::SocketControl *Winsock5 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void layoutControls();
    void formLoad();

    // Connect, panels, genre pictures and shop countries (formQueryDb.cpp).
    void on_Command3_clicked();
    void on_Command1_clicked();
    void on_Command6_clicked();
    void on_Command8_clicked();
    void on_Image1_clicked();
    void on_Image2_clicked();
    void on_Image3_clicked();
    void on_Command9_clicked();
    void on_Command14_clicked();
    void on_Command10_clicked();
    void on_Command11_clicked();
    void on_Command12_clicked();
    void on_Command13_clicked();
    void showGenreGroup(int group);
    void chooseShopCountry(int countryNumber);

    // Each feature connects its own handlers; called at the end of the constructor.
    void setupSearchHandlers();   // formQueryDbSearch.cpp
    void setupDownloadHandlers(); // formQueryDbDownloads.cpp
    void setupLibraryHandlers();  // formQueryDbLibrary.cpp

    // Search, similar artists and radio handlers
    // (Command5, Text1 Enter, Command4, MSFlexGrid1, TreeView1/TreeView2 nodes, List3.)
    void on_Command5_clicked();
    void on_Text1_returnPressed();
    void on_Command4_clicked();
    void on_TreeView1_nodeClicked(QTreeWidgetItem *node);
    void on_TreeView2_nodeClicked(QTreeWidgetItem *node);
    void on_List3_clicked();
    void startSearch();
    void searchArtistFromTree(const QTreeWidgetItem &node);
    void showSearchPicture(const QString &artist);

    // Download handlers
    // (Timer3 pump, Timer1 progress, Command2 cancel, MSFlexGrid1 click opens the chooser.)
    void on_MSFlexGrid1_cellClicked(int row, int column);
    void on_Timer3_timeout();
    void on_Timer1_timeout();
    void on_Command2_clicked();
    downloads::DownloadPanel downloadPanel();
    qint64 m_lastBytes = 0; // the download slot's byte count at the previous progress tick

    // Library and playback handlers
    // (Command7, List1, MMControl1 buttons, Slider1, Timer2.)
    void on_Command7_clicked();
    void on_List1_itemSelectionChanged();
    void on_MMControl1_playClick();
    void on_MMControl1_pauseClick();
    void on_MMControl1_stopClick();
    void on_Slider1_actionTriggered(int action);
    void on_Slider1_sliderReleased();
    void on_Timer2_timeout();
    media::MprisService *m_mpris = nullptr;

    formHandleDownload *m_chooser = nullptr;
    bool m_loaded = false;
    bool m_connecting = false;
    bool m_fillingGenre = false;
};
