#include "scripted_host.h"

#include <algorithm>
#include <stdexcept>

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::logic_error("scripted host: " + what);
}

bool IsPushButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefPushButton;
}

}  // namespace

ScriptedHost::ScriptedHost() : previous_(SetDialogHost(this)) {}

ScriptedHost::~ScriptedHost() {
    SetDialogHost(previous_);
}

int ScriptedHost::RunModal(CDialog& dialog) {
    auto window = std::make_unique<Window>();
    window->dialog = &dialog;
    for (const ControlTemplate& source : dialog.Template().controls) {
        Control control;
        control.source = &source;
        control.text = source.text;
        window->controls.push_back(std::move(control));
    }
    {
        std::lock_guard lock(postedMutex_);
        windows_.push_back(std::move(window));
    }
    // The window goes away however the run ends, a failing step included.
    struct Closer {
        ScriptedHost& host;
        ~Closer() {
            std::lock_guard lock(host.postedMutex_);
            host.windows_.pop_back();
        }
    } closer{*this};

    Window& self = *windows_.back();
    if (dialog.HandleInitDialog()) {
        for (std::size_t i = 0; i < self.controls.size(); ++i) {
            const Control& control = self.controls[i];
            if ((control.source->style & styles::kTabStop) != 0 && control.visible) {
                self.focus = static_cast<int>(i);
                break;
            }
        }
    }
    while (!self.result) {
        if (steps_.empty()) {
            Fail("the script ended while \"" + std::string(dialog.Template().caption) +
                 "\" is open");
        }
        auto step = std::move(steps_.front());
        steps_.pop_front();
        step();
    }
    return *self.result;
}

void ScriptedHost::EndModal(CDialog& dialog, int result) {
    WindowFor(dialog).result = result;
}

HWND ScriptedHost::WindowOf(const CDialog& dialog) {
    for (const auto& window : windows_) {
        if (window->dialog == &dialog) {
            return reinterpret_cast<HWND>(window.get());
        }
    }
    return nullptr;
}

BOOL ScriptedHost::PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsProgramMessage(message)) {
        return FALSE;
    }
    std::lock_guard lock(postedMutex_);
    const bool open = std::any_of(windows_.begin(), windows_.end(), [&](const auto& w) {
        return reinterpret_cast<HWND>(w.get()) == window;
    });
    if (!open) {
        return FALSE;
    }
    posted_.push_back({window, message, wParam, lParam});
    return TRUE;
}

void ScriptedHost::DeliverPosted() {
    std::deque<Posted> batch;
    {
        std::lock_guard lock(postedMutex_);
        batch.swap(posted_);
    }
    for (const Posted& post : batch) {
        for (const auto& window : windows_) {
            if (reinterpret_cast<HWND>(window.get()) == post.window) {
                window->dialog->HandleMessage(post.message, post.wParam, post.lParam);
                break;
            }
        }
    }
}

ScriptedHost::Window& ScriptedHost::WindowFor(const CDialog& dialog) {
    for (const auto& window : windows_) {
        if (window->dialog == &dialog) {
            return *window;
        }
    }
    Fail("dialog \"" + std::string(dialog.Template().caption) + "\" has no window");
}

ScriptedHost::Window& ScriptedHost::Top() {
    if (windows_.empty()) {
        Fail("no dialog is open");
    }
    return *windows_.back();
}

ScriptedHost::Control& ScriptedHost::ControlOf(Window& window, int id) {
    for (Control& control : window.controls) {
        if (control.source->id == id && id != kNoControlId) {
            return control;
        }
    }
    Fail("no control " + std::to_string(id) + " in \"" +
         std::string(window.dialog->Template().caption) + "\"");
}

void ScriptedHost::Click(Window& window, std::size_t index) {
    Control& control = window.controls[index];
    if (!control.visible) {
        Fail("control " + std::to_string(control.source->id) + " is hidden");
    }
    if (control.source->kind == ControlKind::CheckBox) {
        control.check = control.check == 0 ? 1 : 0;
    } else if (control.source->kind == ControlKind::Radio) {
        // The group runs from the control that starts it to the next one that starts one.
        std::size_t first = index;
        while (first > 0 && (window.controls[first].source->style & styles::kGroup) == 0) {
            --first;
        }
        for (std::size_t i = first; i < window.controls.size(); ++i) {
            if (i > first && (window.controls[i].source->style & styles::kGroup) != 0) {
                break;
            }
            if (window.controls[i].source->kind == ControlKind::Radio) {
                window.controls[i].check = i == index ? 1 : 0;
            }
        }
    }
    window.focus = static_cast<int>(index);
    window.dialog->HandleCommand(control.source->id, BN_CLICKED);
}

void ScriptedHost::Press(int id) {
    Window& window = Top();
    const Control& control = ControlOf(window, id);
    Click(window, static_cast<std::size_t>(&control - window.controls.data()));
}

void ScriptedHost::PressEnter() {
    Window& window = Top();
    if (window.focus >= 0) {
        const auto index = static_cast<std::size_t>(window.focus);
        if (IsPushButton(window.controls[index].source->kind)) {
            Click(window, index);
            return;
        }
    }
    if (const ControlTemplate* button = DefaultPushButton(window.dialog->Template())) {
        window.dialog->HandleCommand(button->id, BN_CLICKED);
        return;
    }
    window.dialog->HandleCommand(IDOK, BN_CLICKED);
}

void ScriptedHost::PressEscape() {
    Top().dialog->HandleCommand(IDCANCEL, BN_CLICKED);
}

void ScriptedHost::RequestClose() {
    Top().dialog->HandleClose();
}

void ScriptedHost::ChooseSystemMenu(UINT commandId) {
    if (Top().greyedMenuItems.contains(commandId)) {
        Fail("system menu item " + std::to_string(commandId) + " is greyed out");
    }
    Top().dialog->HandleSysCommand(commandId, 0);
}

void ScriptedHost::SelectComboItem(int id, int index) {
    Window& window = Top();
    Control& control = ControlOf(window, id);
    if (index < 0 || index >= static_cast<int>(control.items.size())) {
        Fail("combo " + std::to_string(id) + " has no entry " + std::to_string(index));
    }
    control.selection = index;
    window.dialog->HandleCommand(id, CBN_SELCHANGE);
}

void ScriptedHost::Type(int id, std::string_view text) {
    ControlOf(Top(), id).text = text;
}

void ScriptedHost::Tick(UINT timerId) {
    // Timers go on under a modal run: the innermost window that has this one gets it.
    for (auto window = windows_.rbegin(); window != windows_.rend(); ++window) {
        if ((*window)->timers.contains(timerId)) {
            (*window)->dialog->HandleTimer(timerId);
            return;
        }
    }
    Fail("timer " + std::to_string(timerId) + " is not running");
}

CDialog& ScriptedHost::TopDialog() {
    return *Top().dialog;
}

std::string ScriptedHost::Text(int id) {
    return ControlOf(Top(), id).text;
}

int ScriptedHost::TextSets(int id) {
    return ControlOf(Top(), id).textSets;
}

bool ScriptedHost::Visible(int id) {
    return ControlOf(Top(), id).visible;
}

int ScriptedHost::Checked(int id) {
    return ControlOf(Top(), id).check;
}

std::vector<std::string> ScriptedHost::ComboItems(int id) {
    return ControlOf(Top(), id).items;
}

int ScriptedHost::ComboSelected(int id) {
    return ControlOf(Top(), id).selection;
}

int ScriptedHost::ProgressPos(int id) {
    return ControlOf(Top(), id).position;
}

std::pair<int, int> ScriptedHost::ProgressRange(int id) {
    const Control& control = ControlOf(Top(), id);
    return {control.lower, control.upper};
}

std::map<UINT, UINT> ScriptedHost::Timers() {
    return Top().timers;
}

std::vector<std::string> ScriptedHost::SystemMenu() {
    std::vector<std::string> texts;
    for (const auto& item : Top().systemMenu) {
        texts.push_back(item.second);
    }
    return texts;
}

bool ScriptedHost::SystemMenuEnabled(UINT commandId) {
    return !Top().greyedMenuItems.contains(commandId);
}

TextTable ScriptedHost::Table(int id) {
    return ControlOf(Top(), id).table;
}

const ChartDescription* ScriptedHost::Chart(int id) {
    const Control& control = ControlOf(Top(), id);
    return control.chart ? &*control.chart : nullptr;
}

void ScriptedHost::TableSetContent(CDialog& dialog, int id, const TextTable& table) {
    ControlOf(WindowFor(dialog), id).table = table;
}

void ScriptedHost::ChartSetContent(CDialog& dialog, int id, const ChartDescription& chart) {
    ControlOf(WindowFor(dialog), id).chart = chart;
}

void ScriptedHost::EnableSystemMenuItem(CDialog& dialog, UINT commandId, bool enabled) {
    Window& window = WindowFor(dialog);
    if (enabled) {
        window.greyedMenuItems.erase(commandId);
    } else {
        window.greyedMenuItems.insert(commandId);
    }
}

std::optional<std::string> ScriptedHost::SaveFileDialog(const FileDialogRequest& request) {
    saveDialogs.push_back(request);
    if (files_.empty()) {
        Fail("no choice queued for the file dialog");
    }
    auto path = std::move(files_.front());
    files_.pop_front();
    return path;
}

int ScriptedHost::FocusedId() {
    const Window& window = Top();
    return window.focus < 0 ? kNoControlId
                            : window.controls[static_cast<std::size_t>(window.focus)].source->id;
}

void ScriptedHost::SetText(CDialog& dialog, int id, std::string_view text) {
    Control& control = ControlOf(WindowFor(dialog), id);
    control.text = text;
    ++control.textSets;
}

void ScriptedHost::AppendText(CDialog& dialog, int id, std::string_view text) {
    ControlOf(WindowFor(dialog), id).text += text;
}

std::string ScriptedHost::GetText(CDialog& dialog, int id) {
    return ControlOf(WindowFor(dialog), id).text;
}

void ScriptedHost::Show(CDialog& dialog, int id, bool visible) {
    ControlOf(WindowFor(dialog), id).visible = visible;
}

void ScriptedHost::SetCheck(CDialog& dialog, int id, int state) {
    ControlOf(WindowFor(dialog), id).check = state;
}

int ScriptedHost::GetCheck(CDialog& dialog, int id) {
    return ControlOf(WindowFor(dialog), id).check;
}

void ScriptedHost::ComboAppend(CDialog& dialog, int id, std::string_view text) {
    ControlOf(WindowFor(dialog), id).items.emplace_back(text);
}

void ScriptedHost::ComboClear(CDialog& dialog, int id) {
    Control& control = ControlOf(WindowFor(dialog), id);
    control.items.clear();
    control.selection = -1;
}

int ScriptedHost::ComboCount(CDialog& dialog, int id) {
    return static_cast<int>(ControlOf(WindowFor(dialog), id).items.size());
}

void ScriptedHost::ComboSetSelection(CDialog& dialog, int id, int index) {
    ControlOf(WindowFor(dialog), id).selection = index;
}

int ScriptedHost::ComboSelection(CDialog& dialog, int id) {
    return ControlOf(WindowFor(dialog), id).selection;
}

std::string ScriptedHost::ComboItemText(CDialog& dialog, int id, int index) {
    const Control& control = ControlOf(WindowFor(dialog), id);
    if (index < 0 || index >= static_cast<int>(control.items.size())) {
        return {};
    }
    return control.items[static_cast<std::size_t>(index)];
}

void ScriptedHost::ProgressSetRange(CDialog& dialog, int id, int lower, int upper) {
    Control& control = ControlOf(WindowFor(dialog), id);
    control.lower = lower;
    control.upper = upper;
}

void ScriptedHost::ProgressSetPos(CDialog& dialog, int id, int position) {
    ControlOf(WindowFor(dialog), id).position = position;
}

void ScriptedHost::SetTimer(CDialog& dialog, UINT timerId, UINT milliseconds) {
    WindowFor(dialog).timers[timerId] = milliseconds;
}

void ScriptedHost::KillTimer(CDialog& dialog, UINT timerId) {
    WindowFor(dialog).timers.erase(timerId);
}

void ScriptedHost::AppendSystemMenuItem(CDialog& dialog, UINT commandId, std::string_view text) {
    Window& window = WindowFor(dialog);
    window.systemMenu.emplace_back(0, "");  // the separator
    window.systemMenu.emplace_back(commandId, std::string(text));
}

int ScriptedHost::MessageBox(CDialog* owner, std::string_view text, std::string_view caption,
                             UINT style) {
    messageBoxes.push_back({owner != nullptr, std::string(text), std::string(caption), style});
    if (answers_.empty()) {
        Fail("no answer queued for the message box \"" + std::string(text) + "\"");
    }
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

std::optional<std::string> ScriptedHost::OpenFileDialog(const FileDialogRequest& request) {
    fileDialogs.push_back(request);
    if (files_.empty()) {
        Fail("no choice queued for the file dialog");
    }
    auto path = std::move(files_.front());
    files_.pop_front();
    return path;
}
