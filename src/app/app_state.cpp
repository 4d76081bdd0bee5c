#include "app/app_state.h"

namespace corvane {

AppState& App() {
    static AppState state;
    return state;
}

SampleChoice ChoiceOf(int index) {
    const AppState& app = App();
    const bool listed = index >= 0 && index < static_cast<int>(app.Choices.size());
    return listed ? app.Choices[static_cast<std::size_t>(index)] : app.LastChoice;
}

Preparation HowToPrepare(int index) {
    const SampleChoice choice = ChoiceOf(index);
    return PreparationFor(choice.rate, App().CardRom, choice.loop);
}

Preparation HowToPrepare() { return HowToPrepare(App().SelectedIndex); }

namespace {
HFONT MakeFont(int height, int weight, DWORD outputPrecision) {
    return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       outputPrecision, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, L"Calibri");
}
}  // namespace

void CreateFonts() {
    AppState& app = App();
    if (app.HeadingFont != nullptr) return;
    app.HeadingFont = MakeFont(20, FW_HEAVY, OUT_TT_PRECIS);
    app.TextFont = MakeFont(20, FW_LIGHT, OUT_DEFAULT_PRECIS);
    app.SmallFont = MakeFont(12, FW_LIGHT, OUT_DEFAULT_PRECIS);
}

void ResetAppState() {
    AppState& app = App();
    const HFONT heading = app.HeadingFont;
    const HFONT text = app.TextFont;
    const HFONT smallFont = app.SmallFont;
    app = AppState{};
    app.HeadingFont = heading;
    app.TextFont = text;
    app.SmallFont = smallFont;
}

}  // namespace corvane
