// The main window's controls, menus and layout as designed.
#include "ui/main-window/Unit1.h"

#include "ui/look/ClassicLookStyle.h"
#include "ui/look/DesignFonts.h"
#include "ui/look/Pictures.h"
#include "ui/main-window/AnchorLayout.h"
#include "ui/main-window/PanelSplitter.h"
#include "ui/tree/CookbookTree.h"
#include "ui/tree/CookbookTreeView.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

using savrona::AnchorLayout;

namespace {

// clCream: the fixed colour of the details pane.
const QColor cream(255, 251, 240);
const QSize designedDetailsPane(417, 368);
constexpr int captionHeight = 22;

QFont windowFont() {
    QFont font;
    // Tahoma where it is installed, else a close sans-serif.
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Verdana"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setPointSize(8);
    return font;
}

// The window's font as the multi-line boxes space its lines.
QFont memoFont() {
    QFont font = windowFont();
    font.setFamilies(QStringList(savrona::tahomaLinesFamily) + font.families());
    return font;
}

QFont boldened(QFont font) {
    font.setBold(true);
    return font;
}

void fillBackground(QWidget* widget, QPalette::ColorRole role) {
    widget->setAutoFillBackground(true);
    widget->setBackgroundRole(role);
}

QLabel* captionPanel(const QString& caption, QWidget* parent) {
    auto* panel = new QLabel(caption, parent);
    panel->setTextFormat(Qt::PlainText);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panel->setFixedHeight(captionHeight);
    fillBackground(panel, QPalette::Button);
    return panel;
}

QLabel* shadowLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setForegroundRole(QPalette::Dark); // clBtnShadow
    return label;
}

QPlainTextEdit* memoBox(const QString& accessibleName, QWidget* parent) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setFont(memoFont());
    memo->setFrameShape(QFrame::NoFrame);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Enter starts a new line; Tab moves the focus on.
    memo->setTabChangesFocus(true);
    memo->setAccessibleName(accessibleName);
    memo->setEnabled(false);
    return memo;
}

QPushButton* commandButton(const QString& caption, int left, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(left, 0, 125, 25);
    button->setEnabled(false);
    return button;
}

} // namespace

void TformMain::createControls() {
    setWindowTitle(QStringLiteral(" Savrona"));
    setFont(windowFont());
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button); // clBtnFace
    setGeometry(461, 430, 652, 384);

    createMenus();
    createStatusBar();

    Splitter1 = new savrona::PanelSplitter(this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(2);
    Splitter1->addWidget(createTreeSide());
    Splitter1->addWidget(createDetailsPane());
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setCollapsible(1, false);
    Splitter1->setSizes({233, 417});
    setCentralWidget(Splitter1);

    setFocusOrder();
    treeCategories->setFocus();
}

void TformMain::createMenus() {
    MainMenu = menuBar();
    MainMenu->setFont(QApplication::font());
    File1 = MainMenu->addMenu(QStringLiteral("&File"));
    Exit1 = File1->addAction(QStringLiteral("E&xit"));
    Help1 = MainMenu->addMenu(QStringLiteral("&Help"));
    SavronaOnLine1 = Help1->addAction(QStringLiteral("&Savrona On-Line ..."));
    N1 = Help1->addSeparator();
    About1 = Help1->addAction(QStringLiteral("&About ..."));

    treePopup = new QMenu(this);
    Addnewcategory1 = treePopup->addAction(QStringLiteral("Add new &category"));
    treePopup->setDefaultAction(Addnewcategory1);
    N2 = treePopup->addSeparator();
    Editcategory1 = treePopup->addAction(QStringLiteral("&Edit category"));
    Deletecategory1 = treePopup->addAction(QStringLiteral("&Delete category"));
    N3 = treePopup->addSeparator();
    ChangeCategory1 = treePopup->addAction(QStringLiteral("&Change recipe category"));
    Exportrecipe1 = treePopup->addAction(QStringLiteral("E&xport recipe to file"));
    Deleterecipe1 = treePopup->addAction(QStringLiteral("De&lete recipe"));
    for (QAction* item :
         {Editcategory1, Deletecategory1, ChangeCategory1, Exportrecipe1, Deleterecipe1})
        item->setEnabled(false);
}

void TformMain::createStatusBar() {
    StatusBar = statusBar();
    // The system font of the system the window was laid out for: Tahoma, 8 point.
    StatusBar->setFont(windowFont());
    StatusBar->setSizeGripEnabled(true);
    StatusBar->setAccessibleName(QStringLiteral("Totals"));
    // 16 pixels as designed: a line of text between the bar's gaps of 3 and 2
    // pixels, which its panel's bevel shares; more only for a taller fallback font.
    StatusBar->setFixedHeight(std::max(16, StatusBar->fontMetrics().height() + 5));
    StatusBar->setStyle(new savrona::ClassicLookStyle(StatusBar));
    statusPanel = new QLabel(QStringLiteral("Totals"), StatusBar);
    statusPanel->setTextFormat(Qt::PlainText);
    statusPanel->setIndent(1);
    statusPanel->setFixedWidth(198); // 200 with its bevel
    StatusBar->addWidget(statusPanel);
}

QFrame* TformMain::createTreeSide() {
    panelLeft = new QFrame;
    panelLeft->setObjectName(QStringLiteral("panelLeft"));
    panelLeft->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panelLeft->setLineWidth(1);
    // The splitter keeps its own limits; the tree side may close to nothing.
    panelLeft->setMinimumWidth(1);
    // The children start right inside the bevel, as on the details pane.
    auto* layout = new QVBoxLayout(panelLeft);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    panelCaption1 = captionPanel(QStringLiteral("  Recipe Categories"), panelLeft);
    layout->addWidget(panelCaption1);

    treeCategories = new savrona::CookbookTreeView(panelLeft);
    treeCategories->setObjectName(QStringLiteral("treeCategories"));
    treeCategories->setAccessibleName(QStringLiteral("Cookbook"));
    treeCategories->setModel(m_tree);
    layout->addWidget(treeCategories);
    return panelLeft;
}

QFrame* TformMain::createDetailsPane() {
    panelRight = new QFrame;
    panelRight->setObjectName(QStringLiteral("panelRight"));
    panelRight->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panelRight->setLineWidth(1);
    panelRight->setMinimumWidth(savrona::PanelSplitter::limit);
    QPalette colours = panelRight->palette();
    colours.setColor(QPalette::Window, cream);
    panelRight->setPalette(colours);
    fillBackground(panelRight, QPalette::Window);
    auto* layout = new AnchorLayout(panelRight, designedDetailsPane);
    const AnchorLayout::Anchors acrossTop{AnchorLayout::Left, AnchorLayout::Top,
                                          AnchorLayout::Right};

    panelCaption2 = captionPanel(QStringLiteral("  Selected Recipe Details"), panelRight);
    layout->addAnchored(panelCaption2, {1, 1, 415, captionHeight}, acrossTop);

    panelSelectedCategory = new QFrame(panelRight);
    fillBackground(panelSelectedCategory, QPalette::ToolTipBase); // clInfoBk
    layout->addAnchored(panelSelectedCategory, {1, 23, 415, 28}, acrossTop);
    Image1 = new QLabel(panelSelectedCategory);
    Image1->setPixmap(savrona::treeImage(savrona::CategoryImage).pixmap(16, 16));
    Image1->setGeometry(6, 6, 16, 16);
    Image1->setAccessibleName(QStringLiteral("Category picture"));
    Label2 = new QLabel(QStringLiteral("Category"), panelSelectedCategory);
    Label2->setTextFormat(Qt::PlainText);
    Label2->setFont(boldened(windowFont()));
    Label2->setForegroundRole(QPalette::WindowText);
    Label2->move(30, 8);
    Label2->adjustSize();

    Bevel1 = new QFrame(panelRight);
    Bevel1->setFrameStyle(QFrame::HLine | QFrame::Raised);
    Bevel1->setLineWidth(1);
    layout->addAnchored(Bevel1, {1, 51, 415, 2}, acrossTop);

    Label3 = shadowLabel(QStringLiteral("Recipe title :"), panelRight);
    layout->addAnchored(Label3, {12, 60, 0, 0});
    Edit1 = new QLineEdit(panelRight);
    Edit1->setFrame(false);
    Edit1->setFont(boldened(windowFont()));
    Edit1->setMaxLength(125);
    Edit1->setAccessibleName(QStringLiteral("Recipe title"));
    Edit1->setEnabled(false);
    layout->addAnchored(Edit1, {12, 74, 393, 16}, acrossTop);

    Label4 = shadowLabel(QStringLiteral("Necessary ingredients :"), panelRight);
    layout->addAnchored(Label4, {12, 100, 0, 0});
    Memo1 = memoBox(QStringLiteral("Necessary ingredients"), panelRight);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Long lines scroll sideways with the caret, without a bar.
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addAnchored(Memo1, {12, 114, 393, 69}, acrossTop);

    Label5 = shadowLabel(QStringLiteral("Preparation instructions :"), panelRight);
    layout->addAnchored(Label5, {12, 193, 0, 0});
    Memo2 = memoBox(QStringLiteral("Preparation instructions"), panelRight);
    Memo2->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    layout->addAnchored(
        Memo2, {12, 207, 393, 118},
        {AnchorLayout::Left, AnchorLayout::Top, AnchorLayout::Right, AnchorLayout::Bottom});

    commandButtons = new QWidget(panelRight);
    Button1 = commandButton(QStringLiteral("&Add Recipe"), 0, commandButtons);
    Button2 = commandButton(QStringLiteral("&Save Changes"), 134, commandButtons);
    Button3 = commandButton(QStringLiteral("&Delete Recipe"), 268, commandButtons);
    layout->addAnchored(commandButtons, {12, 334, 393, 25},
                        {AnchorLayout::Left, AnchorLayout::Bottom});
    return panelRight;
}

void TformMain::setFocusOrder() {
    QWidget* const order[] = {treeCategories, Edit1, Memo1, Memo2, Button1, Button2, Button3};
    for (std::size_t step = 0; step + 1 < std::size(order); ++step)
        QWidget::setTabOrder(order[step], order[step + 1]);
    for (QWidget* unfocused : std::initializer_list<QWidget*>{Splitter1, panelLeft, panelRight,
                                                              commandButtons, StatusBar})
        unfocused->setFocusPolicy(Qt::NoFocus);
}
