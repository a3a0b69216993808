#include "platform/panels.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QUiLoader>

#include <climits>
#include <cstring>
#include <map>
#include <vector>

#include "platform/completion.h"
#include "platform/panel_layout.h"
#include "platform/userint.h"
#include "platform/widgets.h"

namespace {

struct PanelEntry {
    QPointer<QWidget> widget;
    int id = 0;  // registered panel identifier; 0 for a tab page
};

std::vector<PanelEntry> panels;  // handle h is panels[h - 1]
std::map<std::pair<int, int>, QPointer<QWidget>> controlCache;
std::map<int, std::map<int, QPointer<QWidget>>> newControls;
int nextNewControl = 100000;

const CallbackEntry* callbackTable = nullptr;
size_t callbackCount = 0;

const UiName* panelNames = nullptr;
size_t panelNameCount = 0;
const UiName* controlNames = nullptr;
size_t controlNameCount = 0;

const char* nameOf(const UiName* table, size_t count, int id)
{
    for (size_t i = 0; i < count; ++i)
        if (table[i].id == id)
            return table[i].name;
    return nullptr;
}

int controlIdOf(const char* name)
{
    for (size_t i = 0; i < controlNameCount; ++i)
        if (std::strcmp(controlNames[i].name, name) == 0)
            return controlNames[i].id;
    return 0;
}

const char* const kCallbackProperty = "callback";
const char* const kPanelProperty = "_uirPanel";
const char* const kControlProperty = "_uirControl";

int addPanel(QWidget* w, int id)
{
    panels.push_back(PanelEntry{w, id});
    const int handle = static_cast<int>(panels.size());
    w->setProperty(kPanelProperty, handle);
    w->setProperty("_uirIsPanel", true);
    return handle;
}

const CallbackEntry* findCallback(const QString& name)
{
    for (size_t i = 0; i < callbackCount; ++i)
        if (name == QLatin1String(callbackTable[i].name))
            return &callbackTable[i];
    return nullptr;
}

// The nearest widget at or above w that carries a bound callback.
QWidget* boundWidget(QObject* o)
{
    for (QObject* p = o; p; p = p->parent()) {
        auto* w = qobject_cast<QWidget*>(p);
        if (w && w->property(kCallbackProperty).isValid())
            return w;
        // A click on a panel's (or tab page's) own background belongs to no control around it.
        if (w && (w->isWindow() || w->property("_uirIsPanel").toBool()))
            return nullptr;
    }
    return nullptr;
}

// Calls the callback bound to w with an event. The callback may run nested event loops and
// discard panels, so nothing of w is used after it returns.
void fire(QWidget* w, int event, int data1 = 0, int data2 = 0)
{
    const CallbackEntry* cb = findCallback(w->property(kCallbackProperty).toString());
    if (!cb)
        return;
    const int panel = w->property(kPanelProperty).toInt();
    if (w->property("_uirIsPanel").toBool()) {
        if (cb->panel)
            cb->panel(panel, event, nullptr, data1, data2);
    } else if (cb->control) {
        cb->control(panel, w->property(kControlProperty).toInt(), event, nullptr, data1, data2);
    }
}

// Turns mouse and window events into the run-time's events for every bound widget.
class EventRouter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::Close: {
            auto* w = qobject_cast<QWidget*>(watched);
            if (w && w->property("_uirIsPanel").toBool() && w->isWindow()) {
                // The program decides when a panel goes: the close event only informs it.
                e->ignore();
                QPointer<QWidget> guard(w);
                fire(w, EVENT_CLOSE);
                return true;
            }
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* me = static_cast<QMouseEvent*>(e);
            if (me->button() != Qt::RightButton)
                break;
            QWidget* w = boundWidget(watched);
            if (!w)
                break;
            fire(w, e->type() == QEvent::MouseButtonDblClick ? EVENT_RIGHT_DOUBLE_CLICK
                                                             : EVENT_RIGHT_CLICK);
            return true;
        }
        default:
            break;
        }
        return false;
    }
};

EventRouter* router()
{
    static EventRouter* r = new EventRouter;
    return r;
}

int panelHandleOf(QWidget* w)
{
    for (QWidget* p = w; p; p = p->parentWidget())
        if (p->property("_uirIsPanel").toBool())
            return p->property(kPanelProperty).toInt();
    return 0;
}

// A text field: each edit is a value change; Enter or leaving the field commits what changed.
template <typename Fire>
void connectTextEvents(QLineEdit* edit, Fire fireIfAlive)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit,
                     [fireIfAlive](const QString&) { fireIfAlive(EVENT_VAL_CHANGED); });
    QObject::connect(edit, &QLineEdit::editingFinished, edit, [edit, fireIfAlive] {
        if (!edit->isModified())
            return;
        edit->setModified(false);
        fireIfAlive(EVENT_COMMIT);
    });
}

void connectSignals(QWidget* w)
{
    QPointer<QWidget> guard(w);
    auto fireIfAlive = [guard](int event, int d1 = 0, int d2 = 0) {
        if (guard)
            fire(guard, event, d1, d2);
    };
    if (auto* tab = qobject_cast<QTabWidget*>(w)) {
        tab->setProperty("_uirLastPage", tab->currentIndex());
        QObject::connect(tab, &QTabWidget::currentChanged, tab, [tab, fireIfAlive](int page) {
            const int old = tab->property("_uirLastPage").toInt();
            tab->setProperty("_uirLastPage", page);
            fireIfAlive(EVENT_ACTIVE_TAB_CHANGE, old, page);
        });
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        QObject::connect(combo, &QComboBox::activated, combo, [fireIfAlive](int) {
            fireIfAlive(EVENT_VAL_CHANGED);
            fireIfAlive(EVENT_COMMIT);
        });
        if (QLineEdit* edit = combo->isEditable() ? combo->lineEdit() : nullptr) {
            EnableListCompletion(combo);
            // An entry chosen from the list stands selected in the field, so typing replaces it.
            QObject::connect(combo, &QComboBox::activated, edit, [edit](int) { edit->selectAll(); });
            connectTextEvents(edit, fireIfAlive);
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        QObject::connect(button, &QAbstractButton::clicked, button, [button, fireIfAlive](bool) {
            if (button->isCheckable())
                fireIfAlive(EVENT_VAL_CHANGED);
            fireIfAlive(EVENT_COMMIT);
        });
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        connectTextEvents(edit, fireIfAlive);
    } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
        spin->setKeyboardTracking(false);
        QObject::connect(spin, &QSpinBox::valueChanged, spin, [fireIfAlive](int) {
            fireIfAlive(EVENT_VAL_CHANGED);
            fireIfAlive(EVENT_COMMIT);
        });
    } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
        // An entry the operator made in an editable cell (platform/table_edit.h). The delegate
        // closes its editor after the view has stored the entry; Escape stores nothing.
        QObject::connect(table->itemDelegate(), &QAbstractItemDelegate::closeEditor, table,
                         [table, fireIfAlive](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                             const QModelIndex at = table->currentIndex();
                             if (hint != QAbstractItemDelegate::RevertModelCache && at.isValid())
                                 fireIfAlive(EVENT_COMMIT, at.row() + 1, at.column() + 1);
                         });
        // A double click (or Enter) on a cell that takes no entry: the view opens no editor
        // there and activates the cell instead.
        QObject::connect(table, &QAbstractItemView::activated, table, [fireIfAlive](const QModelIndex& at) {
            fireIfAlive(EVENT_LEFT_DOUBLE_CLICK, at.row() + 1, at.column() + 1);
        });
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
        // Each step of a drag is a value change; the slider's release, or a key or click that
        // moves it in one step, commits.
        QObject::connect(slider, &QAbstractSlider::valueChanged, slider, [slider, fireIfAlive](int) {
            fireIfAlive(EVENT_VAL_CHANGED);
            if (!slider->isSliderDown())
                fireIfAlive(EVENT_COMMIT);
        });
        QObject::connect(slider, &QAbstractSlider::sliderReleased, slider,
                         [fireIfAlive] { fireIfAlive(EVENT_COMMIT); });
    } else if (auto* dspin = qobject_cast<QDoubleSpinBox*>(w)) {
        dspin->setKeyboardTracking(false);
        QObject::connect(dspin, &QDoubleSpinBox::valueChanged, dspin, [fireIfAlive](double) {
            fireIfAlive(EVENT_VAL_CHANGED);
            fireIfAlive(EVENT_COMMIT);
        });
    }
}

// Binds every widget of a freshly loaded panel that names a callback.
void bindCallbacks(QWidget* root)
{
    QList<QWidget*> all = root->findChildren<QWidget*>();
    all.prepend(root);
    for (QWidget* w : all) {
        if (!w->property(kCallbackProperty).isValid())
            continue;
        if (!w->property("_uirIsPanel").toBool()) {
            w->setProperty(kPanelProperty, panelHandleOf(w->parentWidget()));
            w->setProperty(kControlProperty, controlIdOf(w->objectName().toUtf8().constData()));
            connectSignals(w);
            // Right click means help here; the widgets' own context menus would hide it.
            w->setContextMenuPolicy(Qt::NoContextMenu);
            for (QWidget* child : w->findChildren<QWidget*>())
                child->setContextMenuPolicy(Qt::NoContextMenu);
        }
        w->installEventFilter(router());
        for (QWidget* child : w->findChildren<QWidget*>())
            child->installEventFilter(router());
    }
}

QString resolveFile(const char* fileName)
{
    QString name = QString::fromUtf8(fileName);
    if (QDir::isAbsolutePath(name))
        return name;
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

}  // namespace

void RegisterCallbacks(const CallbackEntry* table, size_t count)
{
    callbackTable = table;
    callbackCount = count;
}

void RegisterUiNames(const UiName* panels, size_t panelCount, const UiName* controls,
                     size_t controlCount)
{
    panelNames = panels;
    panelNameCount = panelCount;
    controlNames = controls;
    controlNameCount = controlCount;
}

QWidget* PanelWidget(int panel)
{
    if (panel < 1 || panel > static_cast<int>(panels.size()))
        return nullptr;
    return panels[panel - 1].widget.data();
}

QWidget* ControlWidget(int panel, int control)
{
    const auto key = std::make_pair(panel, control);
    if (auto it = controlCache.find(key); it != controlCache.end() && it->second)
        return it->second.data();
    if (auto p = newControls.find(panel); p != newControls.end())
        if (auto c = p->second.find(control); c != p->second.end())
            return c->second.data();
    QWidget* root = PanelWidget(panel);
    const char* name = nameOf(controlNames, controlNameCount, control);
    if (!root || !name)
        return nullptr;
    QWidget* w = root->findChild<QWidget*>(QString::fromLatin1(name));
    if (w)
        controlCache[key] = w;
    return w;
}

int RegisterNewControl(int panel, QWidget* widget)
{
    const int id = nextNewControl++;
    newControls[panel][id] = widget;
    widget->setProperty(kPanelProperty, panel);
    widget->setProperty(kControlProperty, id);
    return id;
}

QColor ColorFromRgb(int rgb)
{
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

int LoadPanel(int parentPanel, const char* fileName, int panelId)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return -1;
    const char* objectName = nameOf(panelNames, panelNameCount, panelId);
    if (!objectName)
        return -3;
    QWidget* parent = nullptr;
    if (parentPanel != 0) {
        parent = PanelWidget(parentPanel);
        if (!parent)
            return -3;
    }
    QFile file(resolveFile(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return -2;
    QUiLoader loader;
    QWidget* root = loader.load(&file);
    if (!root)
        return -2;
    QWidget* w = root->findChild<QWidget*>(QString::fromLatin1(objectName));
    if (!w) {
        delete root;
        return -3;
    }
    const QRect geometry = w->geometry();
    w->setParent(parent, parent ? Qt::Widget : Qt::Window);
    delete root;
    w->setGeometry(parent ? geometry : QRect(geometry.topLeft(), geometry.size()));
    w->hide();

    const int handle = addPanel(w, panelId);
    for (QTabWidget* tab : w->findChildren<QTabWidget*>())
        for (int i = 0; i < tab->count(); ++i)
            addPanel(tab->widget(i), 0);
    bindCallbacks(w);
    InstallResizeRules(w);
    return handle;
}

int DisplayPanel(int panel)
{
    QWidget* w = PanelWidget(panel);
    if (!w)
        return -1;
    w->show();
    if (w->isWindow())
        w->raise();
    return 0;
}

int DiscardPanel(int panel)
{
    QWidget* w = PanelWidget(panel);
    if (!w)
        return -1;
    // Forget the handles of the panel and of every panel inside it, then let Qt delete the
    // widgets once the current callback has returned.
    for (PanelEntry& e : panels)
        if (e.widget && (e.widget == w || w->isAncestorOf(e.widget)))
            e.widget = nullptr;
    for (auto it = controlCache.begin(); it != controlCache.end();)
        it = (!it->second || it->second == w || w->isAncestorOf(it->second)) ? controlCache.erase(it)
                                                                              : std::next(it);
    w->hide();
    w->deleteLater();
    return 0;
}

int GetPanelHandleFromTabPage(int panel, int tabControl, int page, int* pagePanel)
{
    auto* tab = qobject_cast<QTabWidget*>(ControlWidget(panel, tabControl));
    if (!tab || page < 0 || page >= tab->count() || !pagePanel)
        return -1;
    *pagePanel = tab->widget(page)->property(kPanelProperty).toInt();
    return 0;
}

int GetActiveTabPage(int panel, int tabControl, int* page)
{
    auto* tab = qobject_cast<QTabWidget*>(ControlWidget(panel, tabControl));
    if (!tab || !page)
        return -1;
    *page = tab->currentIndex();
    return 0;
}

int SetActiveTabPage(int panel, int tabControl, int page)
{
    auto* tab = qobject_cast<QTabWidget*>(ControlWidget(panel, tabControl));
    if (!tab || page < 0 || page >= tab->count())
        return -1;
    const QSignalBlocker block(tab);
    tab->setCurrentIndex(page);
    tab->setProperty("_uirLastPage", page);
    return 0;
}

namespace {

// Positions are those of the client area, as GetPanelAttribute reports them: QWidget::move
// places a window's frame, so a stored position restored with it would creep by the title bar
// at every start.
void moveClientArea(QWidget* w, int x, int y)
{
    if (w->isWindow())
        w->setGeometry(QRect(QPoint(x, y), w->size()));
    else
        w->move(x, y);
}

}  // namespace

int SetPanelAttribute(int panel, int attribute, int value)
{
    QWidget* w = PanelWidget(panel);
    if (!w)
        return -1;
    switch (attribute) {
    case ATTR_LEFT: moveClientArea(w, value, w->geometry().y()); break;
    case ATTR_TOP: moveClientArea(w, w->geometry().x(), value); break;
    case ATTR_WIDTH: w->resize(value, w->height()); break;
    case ATTR_HEIGHT: w->resize(w->width(), value); break;
    case ATTR_VISIBLE: w->setVisible(value != 0); break;
    case ATTR_WINDOW_ZOOM:
        if (value == VAL_MAXIMIZE)
            w->showMaximized();
        else if (value == VAL_MINIMIZE)
            w->showMinimized();
        else
            w->showNormal();
        break;
    default: return -1;
    }
    return 0;
}

int SetPanelAttribute(int panel, int attribute, const char* value)
{
    QWidget* w = PanelWidget(panel);
    if (!w || attribute != ATTR_TITLE)
        return -1;
    w->setWindowTitle(QString::fromUtf8(value));
    return 0;
}

int GetPanelAttribute(int panel, int attribute, int* value)
{
    QWidget* w = PanelWidget(panel);
    if (!w || !value)
        return -1;
    // A maximised window reports the geometry it returns to, as the settings file keeps it.
    const QRect normal = w->isWindow() && w->isMaximized() ? w->normalGeometry() : w->geometry();
    switch (attribute) {
    case ATTR_LEFT: *value = normal.x(); break;
    case ATTR_TOP: *value = normal.y(); break;
    case ATTR_WIDTH: *value = normal.width(); break;
    case ATTR_HEIGHT: *value = normal.height(); break;
    case ATTR_VISIBLE: *value = w->isVisible() ? 1 : 0; break;
    case ATTR_WINDOW_ZOOM:
        *value = w->isMaximized() ? VAL_MAXIMIZE : w->isMinimized() ? VAL_MINIMIZE : VAL_NO_ZOOM;
        break;
    default: return -1;
    }
    return 0;
}

int SetPanelPos(int panel, int top, int left)
{
    QWidget* w = PanelWidget(panel);
    if (!w)
        return -1;
    QRect area;
    if (w->isWindow()) {
        QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
        area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    } else {
        area = w->parentWidget()->rect();
    }
    // Centring places the frame; the client area lies inside it by the frame's margins.
    const QRect frame = w->isWindow() ? w->frameGeometry() : w->geometry();
    const QPoint margin = w->isWindow() ? w->geometry().topLeft() - frame.topLeft() : QPoint();
    const int x = left == VAL_AUTO_CENTER ? area.x() + (area.width() - frame.width()) / 2 + margin.x() : left;
    const int y = top == VAL_AUTO_CENTER ? area.y() + (area.height() - frame.height()) / 2 + margin.y() : top;
    moveClientArea(w, x, y);
    return 0;
}

int PanelRectFitsScreens(int top, int left, int height, int width)
{
    if (width <= 0 || height <= 0)
        return 0;
    // QRect keeps its right and bottom edges in int: sizes that overflow them fit nowhere.
    if (static_cast<long long>(left) + width - 1 > INT_MAX || static_cast<long long>(top) + height - 1 > INT_MAX)
        return 0;
    QRegion available;
    for (QScreen* screen : QGuiApplication::screens())
        available += screen->availableGeometry();
    return QRegion(QRect(left, top, width, height)).subtracted(available).isEmpty() ? 1 : 0;
}

int SetPanelSize(int panel, int height, int width)
{
    QWidget* w = PanelWidget(panel);
    if (!w)
        return -1;
    if (w->isWindow() && w->isMaximized())
        w->showNormal();
    w->resize(width, height);
    return 0;
}
