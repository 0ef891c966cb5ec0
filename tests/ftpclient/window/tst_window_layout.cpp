// The main window's layout in twips, the frame sizing by dragging, and the
// status log's own behaviour.
#include "panes/local_pane.h"
#include "panes/pane_frame.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "scripted_prompter.h"
#include "test_files.h"
#include "transfer_queue.h"
#include "window/connection_control.h"
#include "window/queue_panel.h"
#include "window/status_log.h"
#include "window/tarlen_frm.h"
#include "window/transfer_progress.h"
#include "window/window_layout.h"
#include "window/window_settings.h"

#include <vantel/vantelctrl.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// Whether the window stands centred on the screen at its size, or at the
// screen's edge where it is larger than the screen.
bool centredAtItsSize(const QWidget& window) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const auto centred = [](int start, int extent, int size, int at) {
        return std::abs(at - (start + std::max(0, (extent - size) / 2))) <= 1;
    };
    return centred(screen.x(), screen.width(), window.width(), window.x()) &&
           centred(screen.y(), screen.height(), window.height(), window.y());
}

} // namespace

class TestWindowLayout : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void darkPaletteKeepsTextReadable();

    void inventoryCaptionsAndTips();
    void layoutFromDesignFrames();
    void tabStopsFromSortButtonWidths();
    void dragLimitsKeepFrameSize_data();
    void dragLimitsKeepFrameSize();
    void maximisedWindowKeepsItsSize();
    void dragRightEdgeWithRealMouse();
    void dragFromInsideChangesOnlyHeight();
    void pointerResetOverControls();
    void logRefusesTypingAndPassesFocusOn();
    void logIsCutToItsLast3000Characters();
    void progressDotsBreakAfterForty();
    void startupCentresWindowWhateverTheSettingsSay();
    void firstStartCentresTheLaidOutWindow();
    void windowCannotShrinkBelowItsLayout();
    void sizeGivenByTheUserSurvivesRestarts();
    void sizeColumnEndsInsideTheScrollBar();
    void queuePreferencesReachQueueBoxesAndFile_data();
    void queuePreferencesReachQueueBoxesAndFile();

private:
    ScriptedPrompter m_prompter;
    std::unique_ptr<TARLEN_Frm> m_frm;
};

void TestWindowLayout::init() {
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    // A font whose captions fit the boxes of the design, so that the layout
    // keeps the design's sizes; how it widens them where captions need more
    // is tested in tst_whole_captions.
    QFont font = m_frm->font();
    font.setPointSize(7);
    m_frm->setFont(font);
    QCOMPARE(m_frm->twips().twipsPerPixel(), 15);
}

void TestWindowLayout::cleanup() {
    m_frm.reset();
}

void TestWindowLayout::inventoryCaptionsAndTips() {
    TARLEN_Frm& f = *m_frm;
    QVERIFY(f.windowTitle().startsWith(QStringLiteral("Qoro Consulting FTP (")));
    QCOMPARE(f.parts().Frm_Local[0]->title(), QStringLiteral("Local System"));
    QCOMPARE(f.parts().Frm_Local[1]->title(), QStringLiteral("Remote System"));
    QCOMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Connect"));
    QVERIFY(f.parts().Cmd_Cancel->isHidden());
    QCOMPARE(f.parts().Cmd_Dn->toolTip(), QStringLiteral("Download from remote server"));
    QCOMPARE(f.parts().Cmd_Up->toolTip(), QStringLiteral("Upload to remote server"));
    QCOMPARE(f.parts().remotePane->LstX_Files->toolTip(),
             QStringLiteral("Remote files (right-click to drag)"));
    QCOMPARE(f.parts().localPane->Txt_Pattern->text(), QStringLiteral("*.*"));
    QCOMPARE(f.parts().remotePane->Txt_Pattern->text(), QStringLiteral("*"));
    QCOMPARE(f.parts().localPane->Cmd_Dir->toolTip(),
             QStringLiteral("Make a new directory on local system"));
    QCOMPARE(f.parts().remotePane->Cmd_Dir->toolTip(), QString());
    QVERIFY(f.parts().remotePane->Cmd_Files[1]->isHidden() &&
            f.parts().remotePane->Cmd_Files[2]->isHidden());
    QCOMPARE(f.parts().localPane->LstX_Files->MultiSelect(), short(2));
    QCOMPARE(f.parts().localPane->LstX_Files->ItemDefHeight(), short(17));
    QVERIFY(f.parts().localPane->LstX_Files->IntegralHeight());
    QVERIFY(!f.parts().remotePane->LstX_Files->IntegralHeight());
}

void TestWindowLayout::layoutFromDesignFrames() {
    TARLEN_Frm& f = *m_frm;
    const TwipsGeometry& g = f.twips();
    QCOMPARE(f.windowSettings().frameWidth(0), 4575.0);
    QCOMPARE(f.windowSettings().frameHeight(0), 5055.0);
    f.windowLayout().Resize_Frm();
    QCOMPARE(g.left(f.parts().Frm_Local[1]), 5575.0);
    QCOMPARE(g.top(f.parts().Txt_Status), 5275.0);
    QCOMPARE(g.top(f.parts().Cmd_Connect), 5175.0);
    QCOMPARE(g.top(f.parts().Cmd_Cancel), 5175.0 + g.height(f.parts().Cmd_Connect));
    QCOMPARE(f.windowSettings().windowWidth(), 10405.0);
    QVERIFY(f.windowSettings().windowHeight() - 1300 >= g.top(f.parts().Txt_Status));
    QCOMPARE(g.left(f.parts().Cmd_Up), 4875.0);
    QCOMPARE(g.top(f.parts().remotePane->Cmd_Refresh), 5055.0 - 495);
    QCOMPARE(g.height(f.parts().localPane->LstX_Files),
             5055.0 - 545 - g.top(f.parts().localPane->LstX_Files));
    QCOMPARE(g.width(f.parts().remotePane->Lbl_Dir), g.width(f.parts().remotePane->LstX_Files));
    QCOMPARE(g.left(f.parts().localPane->Cmd_Files[2]), 4575.0 - 1875);

    // The taller frame decides where the log goes; the window only grows.
    f.windowSettings().setFrameHeight(1, 5600);
    f.windowLayout().Resize_Frm();
    QCOMPARE(g.top(f.parts().Txt_Status), 120.0 + 5600 + 100);
    const double tall = f.windowSettings().windowHeight();
    QVERIFY(tall >= 5820 + 1300);
    f.windowSettings().setFrameHeight(1, 5055);
    f.windowLayout().Resize_Frm();
    QCOMPARE(f.windowSettings().windowHeight(), tall);
}

void TestWindowLayout::tabStopsFromSortButtonWidths() {
    TARLEN_Frm& f = *m_frm;
    // Frame 4500 wide with a "Size" button of 900 makes the buttons 1500,
    // 1000 and 900 twips wide.
    f.windowSettings().setFrameWidth(0, 4500);
    f.twips().setWidth(f.parts().localPane->Cmd_Files[2], 900);
    f.windowLayout().Resize_Frm();
    QCOMPARE(f.twips().width(f.parts().localPane->Cmd_Files[0]), 1500.0);
    QCOMPARE(f.parts().localPane->iNameColWidth, short(100));
    QCOMPARE(f.parts().localPane->iDateColWidth, short(67));
    QCOMPARE(f.parts().localPane->iSizeColWidth, short(60));
    QCOMPARE(f.parts().localPane->LstX_Files->TabStops(0), short(100));
    QCOMPARE(f.parts().localPane->LstX_Files->TabStops(1), short(-205));
}

void TestWindowLayout::dragLimitsKeepFrameSize_data() {
    QTest::addColumn<bool>("fromRightEdge");
    QTest::addColumn<double>("to");
    QTest::addColumn<bool>("changes");
    QTest::newRow("width at 4335") << true << 4335.0 << false;
    QTest::newRow("width at 4336") << true << 4336.0 << true;
    QTest::newRow("width near window edge") << true << 10405.0 - 3000 << false;
    QTest::newRow("height at 5055") << false << 5055.0 << false;
    QTest::newRow("height at 5056") << false << 5056.0 << true;
}

void TestWindowLayout::dragLimitsKeepFrameSize() {
    QFETCH(bool, fromRightEdge);
    QFETCH(double, to);
    QFETCH(bool, changes);
    TARLEN_Frm& f = *m_frm;
    f.windowLayout().Resize_Frm();
    const double width = f.windowSettings().frameWidth(0);
    const double height = f.windowSettings().frameHeight(0);
    // Hover over the edge to pick the pointer, press, drag, then check.
    if (fromRightEdge)
        f.windowLayout().Frm_Local_MouseMove(0, 0, 0, width - 10, 1000);
    else
        f.windowLayout().Frm_Local_MouseMove(0, 0, 0, 1000, height - 10);
    f.windowLayout().Frm_Local_MouseDown(0, 1, 0, 0, 0);
    if (fromRightEdge)
        f.windowLayout().Frm_Local_MouseMove(0, 1, 0, to, 1000);
    else
        f.windowLayout().Frm_Local_MouseMove(0, 1, 0, 1000, to);
    if (fromRightEdge) {
        QCOMPARE(f.windowSettings().frameWidth(0), changes ? to : width);
        QCOMPARE(f.windowSettings().frameHeight(0), height);
    } else {
        QCOMPARE(f.windowSettings().frameHeight(0), changes ? to : height);
        QCOMPARE(f.windowSettings().frameWidth(0), width);
    }
}

void TestWindowLayout::maximisedWindowKeepsItsSize() {
    TARLEN_Frm& f = *m_frm;
    f.show();
    f.windowSettings().setWindowState(2);
    QCOMPARE(f.windowSettings().windowState(), short(2));
    const double width = f.windowSettings().windowWidth();
    f.windowSettings().setFrameWidth(0, 6000);
    f.windowLayout().Resize_Frm();
    QCOMPARE(f.windowSettings().windowWidth(), width);
    QCOMPARE(f.twips().left(f.parts().Frm_Local[1]), 7000.0);
}

void TestWindowLayout::dragRightEdgeWithRealMouse() {
    TARLEN_Frm& f = *m_frm;
    f.windowLayout().Resize_Frm();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    PaneFrame* frame = f.parts().Frm_Local[0];
    const int tpp = f.twips().twipsPerPixel();
    const QPoint edge(frame->width() - 2, frame->height() / 2);
    QTest::mouseMove(frame, edge);
    QTRY_COMPARE(frame->cursor().shape(), Qt::SizeHorCursor);
    QTest::mousePress(frame, Qt::LeftButton, {}, edge);
    QVERIFY(f.windowLayout().resizing());
    const QPoint target(edge.x() + 20, edge.y());
    QTest::mouseMove(frame, target);
    QTest::mouseRelease(frame, Qt::LeftButton, {}, target);
    QVERIFY(!f.windowLayout().resizing());
    QCOMPARE(f.windowSettings().frameWidth(0), double(target.x() * tpp));
    // The release laid the window out again around the wider frame.
    QCOMPARE(f.twips().left(f.parts().Frm_Local[1]), f.windowSettings().frameWidth(0) + 1000);
    QCOMPARE(f.twips().left(f.parts().Cmd_Dn), f.windowSettings().frameWidth(0) + 300);
}

void TestWindowLayout::dragFromInsideChangesOnlyHeight() {
    TARLEN_Frm& f = *m_frm;
    f.windowSettings().setWindowHeight(9000);
    f.windowLayout().Frm_Local_MouseMove(1, 0, 0, 2000, 100);
    QCOMPARE(f.parts().Frm_Local[1]->cursor().shape(), Qt::ArrowCursor);
    f.windowLayout().Frm_Local_MouseDown(1, 1, 0, 2000, 100);
    f.windowLayout().Frm_Local_MouseMove(1, 1, 0, 6000, 6000);
    QCOMPARE(f.windowSettings().frameWidth(1), 4575.0);
    QCOMPARE(f.windowSettings().frameHeight(1), 6000.0);
}

void TestWindowLayout::pointerResetOverControls() {
    TARLEN_Frm& f = *m_frm;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.parts().Frm_Local[0]->setCursor(Qt::SizeHorCursor);
    f.parts().Frm_Local[1]->setCursor(Qt::SizeVerCursor);
    QTest::mouseMove(f.parts().remotePane->Cmd_Refresh, QPoint(3, 3));
    QTRY_COMPARE(f.parts().Frm_Local[1]->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(f.parts().Frm_Local[0]->cursor().shape(), Qt::SizeHorCursor);
    f.parts().Frm_Local[1]->setCursor(Qt::SizeVerCursor);
    QTest::mouseMove(f.parts().localPane->Cmd_Files[0], QPoint(4, 4));
    QTRY_COMPARE(f.parts().Frm_Local[0]->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(f.parts().Frm_Local[1]->cursor().shape(), Qt::ArrowCursor);
}

void TestWindowLayout::logRefusesTypingAndPassesFocusOn() {
    TARLEN_Frm& f = *m_frm;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    f.parts().Txt_Status->append(QStringLiteral("\r\nline"));
    QTest::keyClicks(f.parts().Txt_Status, QStringLiteral("typed"));
    QCOMPARE(f.parts().Txt_Status->text(), QStringLiteral("\r\nline"));
    f.parts().Txt_Status->setFocus();
    QTRY_VERIFY(f.parts().localPane->LstX_Files->hasFocus() ||
                f.parts().localPane->LstX_Files->isAncestorOf(QApplication::focusWidget()));
}

void TestWindowLayout::logIsCutToItsLast3000Characters() {
    TARLEN_Frm& f = *m_frm;
    f.parts().Txt_Status->append(QString(2995, u'x') + QStringLiteral("abcde"));
    QCOMPARE(f.parts().Txt_Status->length(), 3000);
    // The session cuts the log after each state it logs (or not).
    RemoteSession& session = f.session();
    emit session.logTrimmed();
    QCOMPARE(f.parts().Txt_Status->length(), 3000);
    f.parts().Txt_Status->append(QStringLiteral("Z"));
    emit session.logTrimmed();
    QCOMPARE(f.parts().Txt_Status->length(), 3000);
    QVERIFY(f.parts().Txt_Status->text().endsWith(QStringLiteral("abcdeZ")));
    // A log line that pushes it over the limit drops the oldest characters.
    session.log(QStringLiteral("\r\nResolving Host"));
    emit session.logTrimmed();
    QCOMPARE(f.parts().Txt_Status->length(), 3000);
    QVERIFY(f.parts().Txt_Status->text().endsWith(QStringLiteral("\r\nResolving Host")));
    f.parts().Txt_Status->updateView();
    QCOMPARE(f.parts().Txt_Status->toPlainText().size(),
             3000 - f.parts().Txt_Status->text().count(u'\r'));
    QCOMPARE(f.parts().Txt_Status->textCursor().position(),
             f.parts().Txt_Status->document()->characterCount() - 1);
}

void TestWindowLayout::progressDotsBreakAfterForty() {
    TARLEN_Frm& f = *m_frm;
    ConnectionControl& connection = f.connection();
    for (int i = 0; i < 40; ++i)
        connection.Timer1_Timer();
    const QString line = QString(QStringLiteral(" .")).repeated(40) + "\r\n";
    QCOMPARE(f.parts().Txt_Status->text(), line);
    connection.Timer1_Timer();
    QVERIFY(f.parts().Txt_Status->text().endsWith(QStringLiteral("\r\n .")));
    // The count starts again: the next break comes forty dots later.
    for (int i = 1; i < 40; ++i)
        connection.Timer1_Timer();
    QCOMPARE(f.parts().Txt_Status->text(), line + line);
}

void TestWindowLayout::startupCentresWindowWhateverTheSettingsSay() {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("tarlen.ini"));
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[TARLEN]\r\nWINDOWSTATE= 0\r\nWINDOWTOP= 30\r\nWINDOWLEFT= 45\r\n"
               "WINDOWHEIGHT= 6000\r\nWINDOWWIDTH= 9000\r\nLOCALHEIGHT= 5100\r\n"
               "LOCALWIDTH= 4800\r\n");
    file.close();
    TARLEN_Frm& f = *m_frm;
    f.settingsStore().setFile(ini);
    f.Form_Load();
    // Centred at the size the layout gave it, wider and taller than the
    // settings said.
    QVERIFY(f.width() * 15 > 9000 && f.height() * 15 > 6000);
    QVERIFY(centredAtItsSize(f));
    QCOMPARE(f.windowSettings().frameWidth(0), 4800.0);
    QCOMPARE(f.windowSettings().frameHeight(0), 5100.0);
    QCOMPARE(f.windowSettings().frameWidth(1), 5055.0);
    QCOMPARE(f.parts().localPane->LstX_Files->NumTabs(), short(3));
    QVERIFY(m_prompter.messages.isEmpty());

    // Closing writes the settings back.
    f.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    QVERIFY(saved.contains("LOCALWIDTH= 4800"));
    QVERIFY(saved.contains("WINDOWLEFT= " + QByteArray::number(f.pos().x() * 15)));
}

// The first start knows no size: the window is centred at the size its
// layout gives it. Run on an 800 x 600 screen, which it does not fit, and on
// a 1280 x 800 one, which it does.
void TestWindowLayout::firstStartCentresTheLaidOutWindow() {
    QTemporaryDir dir;
    TARLEN_Frm& f = *m_frm;
    f.settingsStore().setFile(dir.filePath(QStringLiteral("tarlen.ini")));
    f.Form_Load();
    QCOMPARE(f.size(), f.minimumSize());
    QVERIFY(centredAtItsSize(f));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    if (f.height() <= screen.height())
        QVERIFY(screen.contains(f.geometry()));
}

// The window is never smaller than its layout (the transfer queue at its
// foot included), and the progress display keeps its place under the log
// whenever the layout runs.
void TestWindowLayout::windowCannotShrinkBelowItsLayout() {
    TARLEN_Frm& f = *m_frm;
    const TwipsGeometry& g = f.twips();
    f.windowLayout().Resize_Frm();
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    const QSize needed(g.toPixels(10405),
                       g.toPixels(g.top(f.parts().Queue) + g.height(f.parts().Queue) + 120));
    QVERIFY(g.top(f.parts().Queue) > g.top(f.parts().Progress) + g.height(f.parts().Progress));
    QCOMPARE(f.minimumSize(), needed);
    f.resize(needed / 2);
    QCOMPARE(f.size(), needed);
    const QRect cancel = f.parts().Cmd_Cancel->geometry();
    QVERIFY(f.rect().contains(cancel));

    f.windowSettings().setFrameHeight(0, 6500);
    f.windowSettings().setFrameWidth(1, 5200);
    f.windowLayout().Resize_Frm();
    QCOMPARE(f.minimumHeight(),
             g.toPixels(g.top(f.parts().Queue) + g.height(f.parts().Queue) + 120));
    QVERIFY(g.top(f.parts().Queue) > g.top(f.parts().Progress) + g.height(f.parts().Progress));
    QCOMPARE(f.minimumWidth(), g.toPixels(g.left(f.parts().Frm_Local[1]) + 5200 + 255));
    QCOMPARE(g.top(f.parts().Progress),
             g.top(f.parts().Txt_Status) + g.height(f.parts().Txt_Status) + 45);
    QCOMPARE(g.width(f.parts().Progress), g.width(f.parts().Txt_Status));
    QVERIFY(f.rect().contains(f.parts().Progress->geometry()));
}

// What the user made of the window is written at quit and comes back;
// starting and quitting again changes nothing more.
void TestWindowLayout::sizeGivenByTheUserSurvivesRestarts() {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("tarlen.ini"));
    const auto startAndQuit = [&](int extraHeight) {
        TARLEN_Frm frm(m_prompter);
        frm.settingsStore().setFile(ini);
        frm.Form_Load();
        frm.show();
        if (extraHeight > 0)
            frm.resize(frm.width(), frm.height() + extraHeight);
        const QRect shown = frm.geometry();
        frm.close();
        QFile file(ini);
        return std::make_pair(shown,
                              file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    };
    const auto first = startAndQuit(90);
    QVERIFY2(first.second.contains(
                 "WINDOWHEIGHT= " + QByteArray::number(first.first.height() * 15) + '\n'),
             first.second.constData());
    const auto second = startAndQuit(0);
    QCOMPARE(second.first.height(), first.first.height());
    const auto third = startAndQuit(0);
    QCOMPARE(third.first, second.first);
    QCOMPARE(third.second, second.second);
}

// However wide the scroll bar, the size column ends before it.
namespace {

double relativeLuminance(const QColor& c) {
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// The highest contrast ratio between any pixel of `area` and its first.
double strongestContrast(const QImage& image, const QRect& area) {
    const double background = relativeLuminance(image.pixelColor(area.topLeft()));
    double best = 1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const double ink = relativeLuminance(image.pixelColor(x, y));
            best = std::max(best, (std::max(ink, background) + 0.05) /
                                      (std::min(ink, background) + 0.05));
        }
    return best;
}

} // namespace

// Under a dark palette the file list, whose entries have colours of their
// own, and the log, which is always grey, both stay readable.
void TestWindowLayout::darkPaletteKeepsTextReadable() {
    QTemporaryDir local;
    for (const char* name : {"notes.txt", "setup.exe", "picture.jpg", "main.cpp"})
        QVERIFY(writeFile(local.filePath(QString::fromLatin1(name)), "x"));
    m_frm.reset();
    const QPalette before = QApplication::palette();
    QPalette dark;
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        dark.setColor(role, QColor(35, 35, 38));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(225, 225, 225));
    QApplication::setPalette(dark);
    const auto restore = qScopeGuard([&before] { QApplication::setPalette(before); });
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    TARLEN_Frm& f = *m_frm;
    f.Form_Load();
    f.parts().localPane->setLocalPath(local.path());
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QTRY_COMPARE(f.parts().localPane->LstX_Files->ListCount(), 4);
    f.parts().Txt_Status->append(QStringLiteral("\r\nConnected!"));
    f.parts().Txt_Status->updateView();

    const QImage shot = f.grab().toImage();
    QWidget* list = f.parts().localPane->LstX_Files->listBox()->viewport();
    // Each entry's text, right of its picture.
    const int rowHeight = f.parts().localPane->LstX_Files->listBox()->itemHeight(0);
    QVERIFY(rowHeight > 8);
    for (int row = 0; row < 4; ++row) {
        const QRect text(list->mapTo(&f, QPoint(24, row * rowHeight + 1)),
                         QSize(list->width() - 30, rowHeight - 2));
        QVERIFY2(strongestContrast(shot, text) >= 3, qPrintable(QString::number(row)));
    }
    QWidget* log = f.parts().Txt_Status->viewport();
    const QRect logText(log->mapTo(&f, QPoint(0, 0)), QSize(log->width() - 4, 30));
    QVERIFY(strongestContrast(shot, logText) >= 3);
}

void TestWindowLayout::sizeColumnEndsInsideTheScrollBar() {
    class WideScrollBars : public QProxyStyle {
    public:
        int pixelMetric(PixelMetric metric, const QStyleOption* option,
                        const QWidget* widget) const override {
            return metric == PM_ScrollBarExtent ? 24
                                                : QProxyStyle::pixelMetric(metric, option, widget);
        }
    };
    QTemporaryDir local;
    for (int i = 0; i < 40; ++i)
        QVERIFY(writeFile(local.filePath(QStringLiteral("file%1.txt").arg(i)), "x"));
    m_frm.reset();
    QApplication::setStyle(new WideScrollBars);
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    TARLEN_Frm& f = *m_frm;
    f.Form_Load();
    f.parts().localPane->setLocalPath(local.path());
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    const QWidget* inside = f.parts().localPane->LstX_Files->listBox()->viewport();
    // The folder is read on the thread pool: on a busy machine it comes
    // after the window's short wait for it.
    QTRY_COMPARE(f.parts().localPane->LstX_Files->ListCount(), 40);
    QTRY_VERIFY(f.parts().localPane->LstX_Files->listBox()->verticalScrollBar()->isVisible());
    const int end = -f.parts().localPane->LstX_Files->TabStops(1);
    QVERIFY2(end > f.parts().localPane->iNameColWidth && end <= inside->width(),
             qPrintable(QStringLiteral("%1 > %2").arg(end).arg(inside->width())));
    m_frm.reset();
    QApplication::setStyle(QStringLiteral("Fusion"));
}

QTEST_MAIN(TestWindowLayout)
// The queue's preferences have one owner: whether they come from the
// settings file, the Preferences dialog or the boxes in the queue view, the
// queue works by them, the boxes show them and closing writes them.
void TestWindowLayout::queuePreferencesReachQueueBoxesAndFile_data() {
    QTest::addColumn<QString>("source");
    QTest::newRow("settings file") << QStringLiteral("file");
    QTest::newRow("preferences dialog") << QStringLiteral("dialog");
    QTest::newRow("queue view") << QStringLiteral("view");
}

void TestWindowLayout::queuePreferencesReachQueueBoxesAndFile() {
    QFETCH(QString, source);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("tarlen.ini"));
    QFile file(ini);
    if (source == QStringLiteral("file")) {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[TARLEN]\r\nPARALLEL= 3\r\nEXISTINGFILES= 2\r\n");
        file.close();
    }
    TARLEN_Frm& f = *m_frm;
    f.settingsStore().setFile(ini);
    f.Form_Load();
    QueuePanel* view = f.parts().Queue;
    if (source == QStringLiteral("dialog")) {
        f.dialogs().showPreferences = [](const Preferences&) {
            Preferences chosen;
            chosen.parallelTransfers = 3;
            chosen.existingFiles = 2;
            return std::optional<Preferences>(chosen);
        };
        const QList<QAction*> actions = f.actions();
        const auto preferences = std::find_if(actions.begin(), actions.end(), [](QAction* a) {
            return a->text() == QStringLiteral("&Preferences...");
        });
        QVERIFY(preferences != actions.end());
        (*preferences)->trigger();
    } else if (source == QStringLiteral("view")) {
        view->Spn_Parallel->setValue(3);
        view->Cmb_Existing->setCurrentIndex(2);
    }
    QCOMPARE(f.queue().parallel(), 3);
    QCOMPARE(f.queue().existingTargetRule(), ExistingTargetRule::Skip);
    QCOMPARE(view->Spn_Parallel->value(), 3);
    QCOMPARE(view->Cmb_Existing->currentIndex(), 2);

    f.close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    QVERIFY2(saved.contains("PARALLEL= 3") && saved.contains("EXISTINGFILES= 2"),
             saved.constData());
}

#include "tst_window_layout.moc"
