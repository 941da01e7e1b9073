#include "qt_dialog_host.h"

#include "chart_widget.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTextCursor>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <condition_variable>
#include <optional>
#include <stdexcept>

#include "dialog_font.h"
#include "standard_dialogs.h"

namespace {

QString ToQt(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQt(const QString& text) {
    return text.toUtf8().toStdString();
}

// The close box, Escape and Enter reach the dialog's handlers instead of closing the
// window, so a dialog that asks before it ends keeps that say.
class HostedDialog : public QDialog {
  public:
    HostedDialog(QWidget* parent, CDialog& dialog) : QDialog(parent), dialog_(dialog) {}

    void reject() override { dialog_.HandleCommand(IDCANCEL, BN_CLICKED); }
    void SetDefaultButton(QPushButton* button) { defaultButton_ = button; }

  protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        dialog_.HandleClose();
    }

    // Enter presses the focused push button, else the template's default one, else it is
    // command IDOK, as the Windows dialog manager has it. Qt's own default-button logic is
    // off: it would make any button that once had the focus the default.
    void keyPressEvent(QKeyEvent* event) override {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (!enter || event->modifiers() != Qt::NoModifier) {
            QDialog::keyPressEvent(event);
            return;
        }
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget())) {
            focused->click();
        } else if (defaultButton_ != nullptr && defaultButton_->isVisible()) {
            defaultButton_->click();
        } else {
            dialog_.HandleCommand(IDOK, BN_CLICKED);
        }
    }

  private:
    CDialog& dialog_;
    QPushButton* defaultButton_ = nullptr;
};

bool IsButtonKind(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefPushButton ||
           kind == ControlKind::Radio || kind == ControlKind::CheckBox;
}

}  // namespace

class QtDialogHost::WaitingBox {
  public:
    // The first answer counts; a later one (the operator's, after the shutdown's) is dropped.
    void Answer(int answer) {
        {
            std::lock_guard lock(mutex_);
            if (answer_) {
                return;
            }
            answer_ = answer;
        }
        answered_.notify_all();
    }
    bool Answered() {
        std::lock_guard lock(mutex_);
        return answer_.has_value();
    }
    int Wait() {
        std::unique_lock lock(mutex_);
        answered_.wait(lock, [this] { return answer_.has_value(); });
        return *answer_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable answered_;
    std::optional<int> answer_;
};

QtDialogHost::QtDialogHost() : previous_(SetDialogHost(this)) {}

QtDialogHost::~QtDialogHost() {
    // A thread still waiting would otherwise wait for a host that is gone.
    StopAnsweringOtherThreads();
    SetDialogHost(previous_);
}

void QtDialogHost::StopAnsweringOtherThreads() {
    std::lock_guard lock(waitingMutex_);
    stopped_ = true;
    for (const auto& box : waiting_) {
        box->Answer(IDOK);
    }
}

int QtDialogHost::WaitingOtherThreadBoxes() {
    std::lock_guard lock(waitingMutex_);
    return static_cast<int>(waiting_.size());
}

void QtDialogHost::Build(Window& window) {
    CDialog& dialog = *window.dialog;
    const DialogTemplate& source = dialog.Template();
    QWidget* owner = nullptr;
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
        if (it->get() != &window && (*it)->widget) {
            owner = (*it)->widget.get();
            break;
        }
    }
    auto widget = std::make_unique<HostedDialog>(owner, dialog);
    Qt::WindowFlags flags =
        Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint;
    if ((source.style & styles::kMinimizeBox) != 0) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    widget->setWindowFlags(flags);
    widget->setWindowTitle(ToQt(source.caption));
    const QFont font = TemplateFont(source.fontName, source.fontPoints);
    widget->setFont(font);
    const DialogUnitScale scale(font);
    widget->setFixedSize(scale.X(source.cx), scale.Y(source.cy));

    QButtonGroup* radioGroup = nullptr;
    const ControlTemplate* defaultButton = DefaultPushButton(source);
    for (const ControlTemplate& control : source.controls) {
        const QString text = ToQt(control.text);
        const int id = control.id;
        QWidget* made = nullptr;
        if ((control.style & styles::kGroup) != 0) {
            radioGroup = nullptr;
        }
        switch (control.kind) {
            case ControlKind::PushButton:
            case ControlKind::DefPushButton: {
                auto* button = new QPushButton(text, widget.get());
                button->setAutoDefault(false);
                if (&control == defaultButton) {
                    // Drawn as the default; Enter itself is handled by the dialog.
                    button->setDefault(true);
                    widget->SetDefaultButton(button);
                }
                QObject::connect(button, &QPushButton::clicked,
                                 [&dialog, id] { dialog.HandleCommand(id, BN_CLICKED); });
                made = button;
                break;
            }
            case ControlKind::Static: {
                auto* label = new QLabel(text, widget.get());
                label->setTextFormat(Qt::PlainText);
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                made = label;
                break;
            }
            case ControlKind::Icon: {
                auto* label = new QLabel(widget.get());
                const QRect rect = scale.Rect(control.rect);
                const int side = std::min(rect.width(), rect.height());
                label->setPixmap(QApplication::style()
                                     ->standardIcon(QStyle::SP_ComputerIcon)
                                     .pixmap(side, side));
                made = label;
                break;
            }
            case ControlKind::Edit:
                made = new QLineEdit(text, widget.get());
                break;
            case ControlKind::MultiLineLog: {
                auto* log = new QPlainTextEdit(text, widget.get());
                log->setReadOnly(true);
                log->setLineWrapMode(QPlainTextEdit::NoWrap);
                log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                made = log;
                break;
            }
            case ControlKind::Combo: {
                auto* combo = new QComboBox(widget.get());
                combo->setEditable(true);
                combo->setInsertPolicy(QComboBox::NoInsert);
                // activated, not currentIndexChanged: only the operator's choice is a
                // selection change, as with CBN_SELCHANGE.
                QObject::connect(combo, &QComboBox::activated,
                                 [&dialog, id] { dialog.HandleCommand(id, CBN_SELCHANGE); });
                // An entry wider than the box shows its start (the port number), not its
                // end, as a Windows combo box does.
                QObject::connect(combo, &QComboBox::currentIndexChanged, [combo] {
                    if (QLineEdit* edit = combo->lineEdit()) {
                        edit->setCursorPosition(0);
                    }
                });
                made = combo;
                break;
            }
            case ControlKind::Radio: {
                auto* radio = new QRadioButton(text, widget.get());
                // The host marks and clears the run itself: Qt's automatic exclusivity would
                // also clear marks set by the program, which Windows leaves alone.
                radio->setAutoExclusive(false);
                if (radioGroup == nullptr) {
                    radioGroup = new QButtonGroup(widget.get());
                    radioGroup->setExclusive(false);
                    window.radioGroups.push_back(radioGroup);
                }
                radioGroup->addButton(radio);
                const std::size_t index = window.controls.size();
                QObject::connect(radio, &QRadioButton::clicked,
                                 [this, &window, index] { ClickRadio(window, index); });
                made = radio;
                break;
            }
            case ControlKind::CheckBox: {
                auto* check = new QCheckBox(text, widget.get());
                QObject::connect(check, &QCheckBox::clicked,
                                 [&dialog, id] { dialog.HandleCommand(id, BN_CLICKED); });
                made = check;
                break;
            }
            case ControlKind::GroupBox: {
                auto* group = new QGroupBox(text, widget.get());
                if ((control.style & styles::kButtonCenter) == styles::kButtonCenter) {
                    group->setAlignment(Qt::AlignHCenter);
                }
                made = group;
                break;
            }
            case ControlKind::Table: {
                auto* table = new QTableWidget(widget.get());
                table->setEditTriggers(QAbstractItemView::NoEditTriggers);
                table->verticalHeader()->setVisible(false);
                table->setSelectionBehavior(QAbstractItemView::SelectRows);
                made = table;
                break;
            }
            case ControlKind::Chart:
                made = new ChartWidget(widget.get());
                break;
            case ControlKind::ProgressBar: {
                auto* bar = new QProgressBar(widget.get());
                bar->setRange(0, 100);
                bar->setValue(0);
                bar->setTextVisible(false);
                made = bar;
                break;
            }
        }
        QRect rect = scale.Rect(control.rect);
        if (control.kind == ControlKind::Combo) {
            // The template's height includes the dropped-down list.
            rect.setHeight(std::max(scale.Y(12), made->sizeHint().height()));
        }
        made->setGeometry(rect);
        made->setFocusPolicy((control.style & styles::kTabStop) != 0 || IsButtonKind(control.kind)
                                 ? Qt::StrongFocus
                                 : made->focusPolicy());
        if (id != kNoControlId) {
            made->setObjectName(QString::number(id));
        }
        window.controls.push_back({&control, made});
    }
    window.widget = std::move(widget);
}

void QtDialogHost::ClickRadio(Window& window, std::size_t index) {
    // The run is the controls from the one marked as a group start to the next one.
    std::size_t first = index;
    while (first > 0 && (window.controls[first].source->style & styles::kGroup) == 0) {
        --first;
    }
    for (std::size_t i = first; i < window.controls.size(); ++i) {
        if (i > first && (window.controls[i].source->style & styles::kGroup) != 0) {
            break;
        }
        if (window.controls[i].source->kind == ControlKind::Radio) {
            static_cast<QRadioButton*>(window.controls[i].widget)->setChecked(i == index);
        }
    }
    window.dialog->HandleCommand(window.controls[index].source->id, BN_CLICKED);
}

int QtDialogHost::RunModal(CDialog& dialog) {
    {
        auto window = std::make_unique<Window>();
        window->dialog = &dialog;
        std::lock_guard lock(windowsMutex_);
        windows_.push_back(std::move(window));
    }
    Window& window = *windows_.back();
    // The window goes away however the run ends.
    struct Closer {
        QtDialogHost& host;
        Window& window;
        ~Closer() {
            std::unique_ptr<Window> gone;
            {
                std::lock_guard lock(host.windowsMutex_);
                auto it = std::find_if(host.windows_.begin(), host.windows_.end(),
                                       [&](const auto& w) { return w.get() == &window; });
                gone = std::move(*it);
                host.windows_.erase(it);
            }
        }
    } closer{*this, window};

    Build(window);
    const bool defaultFocus = dialog.HandleInitDialog();
    if (defaultFocus) {
        for (const Control& control : window.controls) {
            if ((control.source->style & styles::kTabStop) != 0 && !control.widget->isHidden()) {
                control.widget->setFocus();
                break;
            }
        }
    }
    if (!window.result) {
        window.running = true;
        window.widget->exec();
        window.running = false;
    }
    for (auto& [id, timer] : window.timers) {
        timer->stop();
    }
    return window.result.value_or(IDCANCEL);
}

void QtDialogHost::EndModal(CDialog& dialog, int result) {
    Window& window = WindowFor(dialog);
    window.result = result;
    if (window.running) {
        window.widget->done(result);
    }
}

HWND QtDialogHost::WindowOf(const CDialog& dialog) {
    for (const auto& window : windows_) {
        if (window->dialog == &dialog) {
            return window.get();
        }
    }
    return nullptr;
}

QtDialogHost::Window* QtDialogHost::FindWindow(HWND handle) {
    for (const auto& window : windows_) {
        if (window.get() == handle) {
            return window.get();
        }
    }
    return nullptr;
}

BOOL QtDialogHost::PostToWindow(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    // Held while queueing: a window leaves the list under this lock before its widget is
    // destroyed, and Qt drops calls queued for a destroyed widget.
    std::lock_guard lock(windowsMutex_);
    Window* window = FindWindow(handle);
    if (window == nullptr || !window->widget) {
        return FALSE;
    }
    CDialog* dialog = window->dialog;
    const bool queued = QMetaObject::invokeMethod(
        window->widget.get(),
        [dialog, message, wParam, lParam] { dialog->HandleMessage(message, wParam, lParam); },
        Qt::QueuedConnection);
    return queued ? TRUE : FALSE;
}

QtDialogHost::Window& QtDialogHost::WindowFor(const CDialog& dialog) {
    for (const auto& window : windows_) {
        if (window->dialog == &dialog) {
            return *window;
        }
    }
    throw std::logic_error("Qt host: dialog \"" + std::string(dialog.Template().caption) +
                           "\" has no window");
}

QWidget* QtDialogHost::Widget(CDialog& dialog, int id) {
    for (const Control& control : WindowFor(dialog).controls) {
        if (control.source->id == id && id != kNoControlId) {
            return control.widget;
        }
    }
    throw std::logic_error("Qt host: no control " + std::to_string(id));
}

QDialog* QtDialogHost::WidgetOf(const CDialog& dialog) {
    for (const auto& window : windows_) {
        if (window->dialog == &dialog) {
            return window->widget.get();
        }
    }
    return nullptr;
}

QWidget* QtDialogHost::ControlWidget(const CDialog& dialog, int id) {
    return Widget(const_cast<CDialog&>(dialog), id);
}

void QtDialogHost::SetText(CDialog& dialog, int id, std::string_view text) {
    QWidget* widget = Widget(dialog, id);
    QString value = ToQt(text);
    if (auto* log = qobject_cast<QPlainTextEdit*>(widget)) {
        log->setPlainText(value.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->setEditText(value);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(value);
    } else {
        widget->setWindowTitle(value);
    }
}

std::string QtDialogHost::GetText(CDialog& dialog, int id) {
    QWidget* widget = Widget(dialog, id);
    if (auto* log = qobject_cast<QPlainTextEdit*>(widget)) {
        // Edit controls hold CR LF line ends; the dialogs compare and append in that form.
        return FromQt(log->toPlainText().replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return FromQt(edit->text());
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return FromQt(label->text());
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return FromQt(button->text());
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        return FromQt(combo->currentText());
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        return FromQt(group->title());
    }
    return {};
}

void QtDialogHost::AppendText(CDialog& dialog, int id, std::string_view text) {
    QWidget* widget = Widget(dialog, id);
    auto* log = qobject_cast<QPlainTextEdit*>(widget);
    if (log == nullptr) {
        SetText(dialog, id, GetText(dialog, id) + std::string(text));
        return;
    }
    QString value = ToQt(text);
    // At the end whatever the operator selected, and shown there, as the Windows edit
    // control does with its caret.
    log->moveCursor(QTextCursor::End);
    log->insertPlainText(value.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    log->ensureCursorVisible();
}

void QtDialogHost::Show(CDialog& dialog, int id, bool visible) {
    Widget(dialog, id)->setVisible(visible);
}

void QtDialogHost::SetCheck(CDialog& dialog, int id, int state) {
    if (auto* button = qobject_cast<QAbstractButton*>(Widget(dialog, id))) {
        button->setChecked(state != 0);
    }
}

int QtDialogHost::GetCheck(CDialog& dialog, int id) {
    const auto* button = qobject_cast<QAbstractButton*>(Widget(dialog, id));
    return button != nullptr && button->isChecked() ? 1 : 0;
}

namespace {

QComboBox& Combo(QWidget* widget) {
    auto* combo = qobject_cast<QComboBox*>(widget);
    if (combo == nullptr) {
        throw std::logic_error("Qt host: the control is not a combo box");
    }
    return *combo;
}

QProgressBar& Progress(QWidget* widget) {
    auto* bar = qobject_cast<QProgressBar*>(widget);
    if (bar == nullptr) {
        throw std::logic_error("Qt host: the control is not a progress bar");
    }
    return *bar;
}

}  // namespace

void QtDialogHost::ComboAppend(CDialog& dialog, int id, std::string_view text) {
    QComboBox& combo = Combo(Widget(dialog, id));
    combo.addItem(ToQt(text));
    // The box keeps its size from the template; its drop-down list grows to show every
    // entry whole (a port with its device name is wider than the box).
    QAbstractItemView* list = combo.view();
    const int wanted = list->sizeHintForColumn(0) + list->frameWidth() * 2 +
                       list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    list->setMinimumWidth(std::max(list->minimumWidth(), wanted));
}

void QtDialogHost::ComboClear(CDialog& dialog, int id) {
    Combo(Widget(dialog, id)).clear();
}

int QtDialogHost::ComboCount(CDialog& dialog, int id) {
    return Combo(Widget(dialog, id)).count();
}

void QtDialogHost::ComboSetSelection(CDialog& dialog, int id, int index) {
    QComboBox& combo = Combo(Widget(dialog, id));
    combo.setCurrentIndex(index);
    if (index < 0) {
        combo.setEditText({});
    }
}

int QtDialogHost::ComboSelection(CDialog& dialog, int id) {
    return Combo(Widget(dialog, id)).currentIndex();
}

std::string QtDialogHost::ComboItemText(CDialog& dialog, int id, int index) {
    const QComboBox& combo = Combo(Widget(dialog, id));
    if (index < 0 || index >= combo.count()) {
        return {};
    }
    return FromQt(combo.itemText(index));
}

void QtDialogHost::ProgressSetRange(CDialog& dialog, int id, int lower, int upper) {
    Progress(Widget(dialog, id)).setRange(lower, upper);
}

void QtDialogHost::ProgressSetPos(CDialog& dialog, int id, int position) {
    // QProgressBar ignores a value outside its range; the Windows bar clamps it.
    QProgressBar& bar = Progress(Widget(dialog, id));
    bar.setValue(std::clamp(position, bar.minimum(), bar.maximum()));
}

void QtDialogHost::SetTimer(CDialog& dialog, UINT timerId, UINT milliseconds) {
    Window& window = WindowFor(dialog);
    QTimer*& timer = window.timers[timerId];
    if (timer == nullptr) {
        timer = new QTimer(window.widget.get());
        QObject::connect(timer, &QTimer::timeout,
                         [&dialog, timerId] { dialog.HandleTimer(timerId); });
    }
    timer->start(static_cast<int>(milliseconds));
}

void QtDialogHost::KillTimer(CDialog& dialog, UINT timerId) {
    Window& window = WindowFor(dialog);
    if (const auto it = window.timers.find(timerId); it != window.timers.end()) {
        it->second->stop();
    }
}

// X11 window managers give a client no system menu to add to: the item goes to the
// window's context menu (right click anywhere on the dialog's background).
void QtDialogHost::AppendSystemMenuItem(CDialog& dialog, UINT commandId, std::string_view text) {
    Window& window = WindowFor(dialog);
    QDialog* widget = window.widget.get();
    widget->setContextMenuPolicy(Qt::ActionsContextMenu);
    if (!widget->actions().isEmpty()) {
        auto* separator = new QAction(widget);
        separator->setSeparator(true);
        widget->addAction(separator);
    }
    auto* action = new QAction(ToQt(text), widget);
    action->setData(commandId);
    QObject::connect(action, &QAction::triggered,
                     [&dialog, commandId] { dialog.HandleSysCommand(commandId, 0); });
    widget->addAction(action);
}

int QtDialogHost::MessageBox(CDialog* owner, std::string_view text, std::string_view caption,
                             UINT style) {
    return MessageBoxForWindow(owner == nullptr ? nullptr : WindowOf(*owner), text, caption, style);
}

int QtDialogHost::MessageBoxForWindow(HWND owner, std::string_view text, std::string_view caption,
                                      UINT style) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        Window* window = owner == nullptr ? nullptr : FindWindow(owner);
        return RunMessageBox(window == nullptr ? nullptr : window->widget.get(), text, caption,
                             style);
    }
    // Registered and checked under one lock with the shutdown: a box is either answered by
    // it or asked after it, never left waiting for a GUI thread that has stopped looking.
    auto box = std::make_shared<WaitingBox>();
    {
        std::lock_guard lock(waitingMutex_);
        if (stopped_) {
            return IDOK;
        }
        waiting_.push_back(box);
    }
    // The texts are copied: a box answered by the shutdown lets its caller return while the
    // queued showing may still come round.
    const bool queued = QMetaObject::invokeMethod(
        app,
        [this, box, owner, text = std::string(text), caption = std::string(caption), style] {
            if (box->Answered()) {
                return;
            }
            Window* window = owner == nullptr ? nullptr : FindWindow(owner);
            box->Answer(RunMessageBox(window == nullptr ? nullptr : window->widget.get(), text,
                                      caption, style));
        },
        Qt::QueuedConnection);
    if (!queued) {
        box->Answer(IDOK);
    }
    const int answer = box->Wait();
    std::lock_guard lock(waitingMutex_);
    std::erase(waiting_, box);
    return answer;
}

std::optional<std::string> QtDialogHost::OpenFileDialog(const FileDialogRequest& request) {
    return RunOpenFileDialog(windows_.empty() ? nullptr : windows_.back()->widget.get(), request);
}

std::optional<std::string> QtDialogHost::SaveFileDialog(const FileDialogRequest& request) {
    return RunSaveFileDialog(windows_.empty() ? nullptr : windows_.back()->widget.get(), request);
}

void QtDialogHost::EnableSystemMenuItem(CDialog& dialog, UINT commandId, bool enabled) {
    for (QAction* action : WindowFor(dialog).widget->actions()) {
        if (!action->isSeparator() && action->data().toUInt() == commandId) {
            action->setEnabled(enabled);
        }
    }
}

void QtDialogHost::TableSetContent(CDialog& dialog, int id, const TextTable& content) {
    auto* table = qobject_cast<QTableWidget*>(Widget(dialog, id));
    if (table == nullptr) {
        return;
    }
    table->clear();
    table->setColumnCount(static_cast<int>(content.header.size()));
    table->setRowCount(static_cast<int>(content.rows.size()));
    QStringList header;
    for (const std::string& cell : content.header) {
        header << ToQt(cell);
    }
    table->setHorizontalHeaderLabels(header);
    for (std::size_t r = 0; r < content.rows.size(); ++r) {
        for (std::size_t c = 0; c < content.rows[r].size() && c < content.header.size(); ++c) {
            auto* item = new QTableWidgetItem(ToQt(content.rows[r][c]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    table->resizeColumnsToContents();
    table->resizeRowsToContents();
}

void QtDialogHost::ChartSetContent(CDialog& dialog, int id, const ChartDescription& chart) {
    if (auto* widget = dynamic_cast<ChartWidget*>(Widget(dialog, id))) {
        widget->SetChart(chart);
    }
}
