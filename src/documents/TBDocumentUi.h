#pragma once

class QHBoxLayout;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QSplitter;
class QVBoxLayout;
class QWidget;
class TBDetailsOutputBox;
class TBDirectoryPopUp;

// The widgets of a document window, built in the order the window asks for them: the top row
// (the directory pop-up; at its end the progress indicator and the Cancel button, after which a
// window adds its own controls), the window's header, then the split view of the window's top
// pane over the Details and Output box. The window wires them up.
struct TBDocumentUi
{
    void setupTopBar(QMainWindow* window);
    void addHeader(QWidget* header);
    // The panes start at these heights; the top pane is never less than topHeight.
    void setupSplitView(QWidget* top, int topHeight, int initialTop, int initialBottom);

    // The busy look: a moving progress indicator, and the Cancel button while a tool runs.
    void showProgress(bool busy);
    void showCancel(bool shown);

    QWidget* central = nullptr;
    QVBoxLayout* layout = nullptr;
    QHBoxLayout* topBarLayout = nullptr;
    TBDirectoryPopUp* directoryPopUp = nullptr;
    QProgressBar* progressIndicator = nullptr;
    QPushButton* cancelButton = nullptr;
    QSplitter* splitView = nullptr;
    QWidget* topSubView = nullptr;
    TBDetailsOutputBox* detailsOutputBox = nullptr;
};
