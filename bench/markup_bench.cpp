// Laying out and drawing markup on a surface that only counts: the editor's 29-line instruction text,
// measuring every hint of the main window, and the entity expansion of a long text.
#include "editor/core/instruction_text.h"
#include "toolkit/core/markup.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

class CountingSurface : public fx::MarkupSurface {
public:
    fx::Font f{"BASE", 8};
    size_t calls = 0;
    fx::Font font() const override { return f; }
    void setFont(const fx::Font& x) override { f = x; }
    fx::Size textExtent(std::string_view t) override { return {static_cast<int>(t.size()) * 6, 13}; }
    void drawText(std::string_view, const fx::Rect&, uint32_t, bool) override { ++calls; }
    void drawLine(int, int, int, uint32_t) override { ++calls; }
    void fillRect(const fx::Rect&, uint32_t) override {}
    void drawFocusRect(const fx::Rect&) override {}
    uint32_t brushColour() const override { return 0; }
    void setBrushColour(uint32_t) override {}
    int pixelsPerInch() const override { return 96; }
};

void BM_InstructionLayoutAndDraw(benchmark::State& state)
{
    std::string text;
    for (const auto& line : slovo::instructionLines())
        text += line;
    CountingSurface surface;
    fx::MarkupRequest r;
    r.text = text;
    r.rect = {0, 0, 580, 2000};
    for (auto _ : state)
        benchmark::DoNotOptimize(fx::DrawMarkup(surface, r));
}

void BM_MeasureEveryHint(benchmark::State& state)
{
    const char* hints[] = {
        "<IMG src=\"Helpi16.gif\" align=\"top\"> Это Ваши друзья, они помогут <BR>      Вам избежать словоловки...",
        "<IMG src=\"smiley.gif\" align=\"top\"> Если буква угадана, <BR>      она появится здесь...",
        "<IMG src=\"Edit16.gif\" align=\"top\"> Это подсказка. Если Вы предпочитаете ею не<BR>       пользоваться - ее можно закрыть...",
        "<IMG src=\"icon_roll.gif\" align=\"top\"> Самое страшное место в <BR>       этой игре - <B>словоловка..</B>",
        "<IMG src=\"History16.gif\" align=\"top\"> Выбор базы слов <BR>       для игры...",
        "<IMG src=\"Volume16.gif\" align=\"top\"> Вы можете управлять звуковым <BR>       сопровождением программы...",
        "<IMG src=\"About16.gif\" align=\"top\"> Всплывающие подсказки <BR>       можно включить или выключить...",
        "<IMG src=\"Properties16.gif\" align=\"top\"> С помощью встроенного редактора Вы можете <BR>       <B>изменять</B> базу слов по своему усмотрению...",
        "<IMG src=\"Information16.gif\" align=\"top\"> Информация об авторе программы...",
        "<IMG src=\"Export16.gif\" align=\"top\"> Закрыть программу...",
        "<IMG src=\"Home16.gif\" align=\"top\"> Колличество <BR>    отгаданных слов...",
        "<IMG src=\"Delete16.gif\" align=\"top\"> Колличество не<BR>    отгаданных слов",
        "<IMG src=\"History16.gif\" align=\"top\"> Остаток слов<BR>         в базе...",
        "<IMG src=\"Jar16.gif\" align=\"top\"> Общее колличество<BR>          слов в базе...",
        "<IMG src=\"Webcomponent.gif\" align=\"top\"> Добро пожаловать на <BR>       вэбсайт автора...",
        "<IMG src=\"ComposeMail16.gif\" align=\"top\"> Написать письмо <BR>       автору...",
    };
    CountingSurface surface;
    for (auto _ : state) {
        for (const char* h : hints) {
            fx::MarkupRequest r;
            r.text = h;
            r.rect = {0, 0, 384, 1000};
            r.measureOnly = true;
            r.wordWrap = false;
            benchmark::DoNotOptimize(fx::DrawMarkup(surface, r));
        }
    }
}

// 65 KB of "&amp;": one linear scan (the first-occurrence passes took 7.8 s).
void BM_ExpandEntities64K(benchmark::State& state)
{
    std::string text;
    while (text.size() < 65535)
        text += "&amp;";
    for (auto _ : state)
        benchmark::DoNotOptimize(fx::expandEntities(text));
}

} // namespace

BENCHMARK(BM_ExpandEntities64K)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InstructionLayoutAndDraw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MeasureEveryHint)->Unit(benchmark::kMicrosecond);
