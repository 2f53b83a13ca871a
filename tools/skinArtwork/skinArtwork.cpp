// Draws the skinned window's artwork of both hosts: the default ("Colorful") background, button strip and window
// icon of the settings program and of the converter library, and one further complete skin per host ("Graphite":
// skin.txt, main.bmp, button.bmp). The strips hold exactly the cells of each host's style table
// (framework/buttonStyleCells.h), so the generator and the framework cannot disagree about where a cell is.
//   skinArtwork write DIR   writes DIR/settingsProgram/... and DIR/converterLibrary/...
//   skinArtwork check DIR   draws everything in memory and compares it byte for byte with the files in DIR
// Both end with 0 when every file was written or matched, 1 when any was not (each one named on stderr), 2 on a
// wrong command line.
// Shapes are drawn with 4 x 4 supersampling. The texts of the backgrounds (the window titles, the module names
// beside the settings program's module rows) come from glyphs of DejaVu Sans Bold that makeGlyphTable.sh rendered
// once with FreeType into glyphTables.h: reading a font here instead would tie the output to the FreeType and font
// versions of each machine, and the check below would fail on the next one. So the output depends on nothing but
// these sources; no input files. The committed artwork/ folder is its output, and a test checks that it still is.
#include "buttonStyleCells.h"
#include "glyphTables.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
struct Rgb {
    double r, g, b;
};

Rgb rgb(uint32_t hex) {
    return {double((hex >> 16) & 0xFF), double((hex >> 8) & 0xFF), double(hex & 0xFF)};
}

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Premultiplied-free RGBA canvas; alpha matters only for icons.
struct Canvas {
    int width;
    int height;
    std::vector<Rgb> colour;
    std::vector<double> alpha;

    Canvas(int w, int h, Rgb fill, double a = 1.0)
        : width(w), height(h), colour(size_t(w) * size_t(h), fill), alpha(size_t(w) * size_t(h), a) {}

    void blend(int x, int y, Rgb c, double coverage) {
        if (x < 0 || y < 0 || x >= width || y >= height || coverage <= 0)
            return;
        const size_t i = size_t(y) * size_t(width) + size_t(x);
        const double a0 = alpha[i];
        const double a = coverage + a0 * (1 - coverage);
        if (a <= 0)
            return;
        const Rgb& old = colour[i];
        colour[i] = {(c.r * coverage + old.r * a0 * (1 - coverage)) / a,
                     (c.g * coverage + old.g * a0 * (1 - coverage)) / a,
                     (c.b * coverage + old.b * a0 * (1 - coverage)) / a};
        alpha[i] = a;
    }
};

using Inside = std::function<bool(double, double)>;
using Paint = std::function<Rgb(double, double)>;

// Fills the region within the box (l, t, r, b) with 4 x 4 samples a pixel.
void fill(Canvas& canvas, double l, double t, double r, double b, const Inside& inside, const Paint& paint,
          double opacity = 1.0) {
    const int x0 = std::max(0, int(std::floor(l))), x1 = std::min(canvas.width, int(std::ceil(r)));
    const int y0 = std::max(0, int(std::floor(t))), y1 = std::min(canvas.height, int(std::ceil(b)));
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    hits += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4) ? 1 : 0;
            if (hits > 0)
                canvas.blend(x, y, paint(x + 0.5, y + 0.5), opacity * hits / 16.0);
        }
}

Paint flat(Rgb c) {
    return [c](double, double) { return c; };
}

Paint vertical(Rgb top, Rgb bottom, double y0, double y1) {
    return [=](double, double y) { return mix(top, bottom, std::clamp((y - y0) / (y1 - y0), 0.0, 1.0)); };
}

Paint horizontal(std::vector<Rgb> stops, double x0, double x1) {
    return [=](double x, double) {
        const double t = std::clamp((x - x0) / (x1 - x0), 0.0, 1.0) * double(stops.size() - 1);
        const size_t i = std::min(size_t(t), stops.size() - 2);
        return mix(stops[i], stops[i + 1], t - double(i));
    };
}

Inside roundRect(double l, double t, double r, double b, double radius) {
    return [=](double x, double y) {
        if (x < l || x > r || y < t || y > b)
            return false;
        const double cx = std::clamp(x, l + radius, r - radius), cy = std::clamp(y, t + radius, b - radius);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
    };
}

Inside circle(double cx, double cy, double radius) {
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius; };
}

// A stroke through the points, `width` wide, with round ends and joins.
Inside polyline(std::vector<std::pair<double, double>> points, double width) {
    return [=](double x, double y) {
        for (size_t i = 0; i + 1 < points.size(); ++i) {
            const double ax = points[i].first, ay = points[i].second;
            const double dx = points[i + 1].first - ax, dy = points[i + 1].second - ay;
            const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
            const double ex = x - (ax + t * dx), ey = y - (ay + t * dy);
            if (ex * ex + ey * ey <= width * width / 4)
                return true;
        }
        return false;
    };
}

// An arc of a circle as a polyline, angles in degrees (0 = right, 90 = down).
std::vector<std::pair<double, double>> arc(double cx, double cy, double radius, double from, double to) {
    std::vector<std::pair<double, double>> points;
    const int steps = 24;
    for (int i = 0; i <= steps; ++i) {
        const double angle = (from + (to - from) * i / steps) * 3.14159265358979323846 / 180;
        points.emplace_back(cx + radius * std::cos(angle), cy + radius * std::sin(angle));
    }
    return points;
}

// A box with a border: the border colour fills the outline, the face fills it one pixel in.
void bordered(Canvas& c, double l, double t, double r, double b, double radius, Rgb border, const Paint& face) {
    fill(c, l, t, r, b, roundRect(l, t, r, b, radius), flat(border));
    fill(c, l + 1, t + 1, r - 1, b - 1, roundRect(l + 1, t + 1, r - 1, b - 1, std::max(0.0, radius - 1)), face);
}

// The colours of one look.
struct Theme {
    Rgb body;        // the background behind every control but the window buttons
    Rgb header;      // the band behind the minimise and close buttons
    Rgb headerHover; // minimise button highlighted / pressed
    Rgb headerPress;
    Rgb glyph;      // window button glyphs
    Rgb closeHover; // close button highlighted / pressed, with a white cross
    Rgb closePress;
    Rgb accent; // check marks, selection, focus borders
    Rgb accentDark;
    Rgb accentLight;
    Rgb border;  // controls at rest
    Rgb faceTop; // push buttons and selectors at rest
    Rgb faceBottom;
    Rgb hoverTop;
    Rgb hoverBottom;
    Rgb pressTop;
    Rgb pressBottom;
    Rgb tabRest; // tabs not selected
    Rgb tabHover;
    Rgb tabSelected;         // the selected tab joins the body
    Rgb boxFace;             // check boxes at rest
    Rgb arrow;               // the selector's chevron
    std::vector<Rgb> stripe; // the accent stripe under the header and along the bottom edge
    Rgb edge;                // one-pixel frame of the window
    Rgb text;                // the background's texts: the labels' primary colour of this look
};

const Theme kColorful = {rgb(0xF8FAFD),
                         rgb(0xE4EFFC),
                         rgb(0xCFE1F7),
                         rgb(0xB6D0F0),
                         rgb(0x3A4A5C),
                         rgb(0xE5484D),
                         rgb(0xC03539),
                         rgb(0x2F80ED),
                         rgb(0x1F63C2),
                         rgb(0xE6F0FD),
                         rgb(0xA5B8CF),
                         rgb(0xFFFFFF),
                         rgb(0xEDF2F8),
                         rgb(0xF4F9FF),
                         rgb(0xD9E9FD),
                         rgb(0xC9DDF7),
                         rgb(0xB7D0F1),
                         rgb(0xE6ECF4),
                         rgb(0xF1F5FA),
                         rgb(0xF8FAFD),
                         rgb(0xFFFFFF),
                         rgb(0x4F6278),
                         {rgb(0x2F80ED), rgb(0x8E5CF7), rgb(0xF2548B), rgb(0xFF9A3D), rgb(0x2DBE7E)},
                         rgb(0x9DB3CC),
                         rgb(0x444444)}; // the default look has no skin.txt: labels keep the framework's 0x444444

const Theme kGraphite = {rgb(0x2A2E35),
                         rgb(0x1D2026),
                         rgb(0x343943),
                         rgb(0x454C58),
                         rgb(0xC9CFD8),
                         rgb(0xD9363E),
                         rgb(0xA9282F),
                         rgb(0x3FC1C9),
                         rgb(0x2A8F96),
                         rgb(0x31464C),
                         rgb(0x4E5663),
                         rgb(0x3B414B),
                         rgb(0x33383F),
                         rgb(0x444B57),
                         rgb(0x3A414C),
                         rgb(0x24282E),
                         rgb(0x2B3037),
                         rgb(0x23262C),
                         rgb(0x30353D),
                         rgb(0x2A2E35),
                         rgb(0x22252A),
                         rgb(0xAEB6C2),
                         {rgb(0x3FC1C9), rgb(0x3FC1C9), rgb(0xF5B041)},
                         rgb(0x11141A),
                         rgb(0xE6E9EE)}; // also entry 10 of its skin.txt

enum class CellKind { Minimise, Close, Check, Radio, Push, Tab, Selector, Link, Help };

// Which kind of cell each run of three styles is, and whether it is the checked look.
struct StyleRun {
    int32_t firstStyle;
    CellKind kind;
    bool checked;
};
constexpr StyleRun kStyleRuns[] = {
    // first style id, kind, checked look
    {16, CellKind::Minimise, false}, {19, CellKind::Close, false}, {1, CellKind::Check, false},
    {4, CellKind::Check, true},      {7, CellKind::Radio, false},  {10, CellKind::Radio, true},
    {25, CellKind::Push, false},     {31, CellKind::Tab, false},   {34, CellKind::Tab, true},
    {37, CellKind::Selector, false}, {13, CellKind::Link, false},  {22, CellKind::Help, false},
};

// state: 0 normal, 1 highlighted, 2 pressed.
void drawWindowButton(Canvas& c, const Theme& th, double l, double t, double w, double h, bool close, int state) {
    Rgb back = th.header, glyph = th.glyph;
    if (state > 0) {
        back = close ? (state == 1 ? th.closeHover : th.closePress) : (state == 1 ? th.headerHover : th.headerPress);
        if (close)
            glyph = rgb(0xFFFFFF);
    }
    fill(c, l, t, l + w, t + h, roundRect(l, t, l + w, t + h, 0), flat(back));
    const double cx = l + w / 2, cy = t + h / 2;
    if (close)
        fill(
            c, l, t, l + w, t + h,
            [=](double x, double y) {
                return polyline({{cx - 5, cy - 5}, {cx + 5, cy + 5}}, 1.6)(x, y) ||
                       polyline({{cx + 5, cy - 5}, {cx - 5, cy + 5}}, 1.6)(x, y);
            },
            flat(glyph));
    else
        fill(c, l, t, l + w, t + h, polyline({{cx - 6, cy + 1}, {cx + 6, cy + 1}}, 1.6), flat(glyph));
}

void drawBox(Canvas& c, const Theme& th, double l, double t, double w, double h, bool radio, bool checked, int state) {
    const double r = radio ? w / 2 - 2 : 3.5;
    const double L = l + 2, T = t + 2, R = l + w - 2, B = t + h - 2;
    if (checked) {
        const Rgb face = state == 0 ? th.accent : state == 1 ? mix(th.accent, rgb(0xFFFFFF), 0.18) : th.accentDark;
        if (radio) {
            bordered(c, L, T, R, B, r, face, flat(state == 2 ? th.accentLight : th.boxFace));
            fill(c, L, T, R, B, circle(l + w / 2, t + h / 2, 4), flat(face));
        } else {
            bordered(c, L, T, R, B, r, face, flat(face));
            fill(c, L, T, R, B, polyline({{l + 5.5, t + 10.2}, {l + 8.6, t + 13.3}, {l + 14.5, t + 6.8}}, 2.2),
                 flat(th.boxFace));
        }
        if (state == 1) // a soft ring marks the highlight
            fill(
                c, l, t, l + w, t + h,
                [=](double x, double y) {
                    return roundRect(l + 0.5, t + 0.5, l + w - 0.5, t + h - 0.5, r + 1.5)(x, y) &&
                           !roundRect(L, T, R, B, r)(x, y);
                },
                flat(th.accent), 0.35);
        return;
    }
    const Rgb border = state == 0 ? th.border : th.accent;
    const Rgb face = state == 0 ? th.boxFace : state == 1 ? th.accentLight : mix(th.accentLight, th.accent, 0.25);
    bordered(c, L, T, R, B, r, border, flat(face));
}

void drawPush(Canvas& c, const Theme& th, double l, double t, double w, double h, int state) {
    const Rgb top[] = {th.faceTop, th.hoverTop, th.pressTop};
    const Rgb bottom[] = {th.faceBottom, th.hoverBottom, th.pressBottom};
    const Rgb border = state == 0 ? th.border : state == 1 ? th.accent : th.accentDark;
    bordered(c, l + 0.5, t + 0.5, l + w - 0.5, t + h - 0.5, 5, border, vertical(top[state], bottom[state], t, t + h));
}

void drawSelector(Canvas& c, const Theme& th, double l, double t, double w, double h, int state) {
    const Rgb face = state == 0 ? th.faceTop : state == 1 ? th.hoverTop : th.pressTop;
    const Rgb border = state == 0 ? th.border : state == 1 ? th.accent : th.accentDark;
    bordered(c, l + 0.5, t + 0.5, l + w - 0.5, t + h - 0.5, 4, border, flat(face));
    // The chevron in the right inset, with a divider before it.
    fill(c, l + w - 21, t + 5, l + w - 20, t + h - 5, roundRect(l + w - 21, t + 5, l + w - 20, t + h - 5, 0),
         flat(mix(border, face, 0.4)));
    const double cx = l + w - 10.5, cy = t + h / 2 + (state == 2 ? 1.0 : 0.0);
    fill(c, cx - 6, cy - 4, cx + 6, cy + 4, polyline({{cx - 4, cy - 2}, {cx, cy + 2}, {cx + 4, cy - 2}}, 1.8),
         flat(state == 0 ? th.arrow : th.accent));
}

void drawTab(Canvas& c, const Theme& th, double l, double t, double w, double h, bool selected, int state) {
    const double L = l + 1, R = l + w - 1;
    if (selected) {
        // The selected tab is open to the page below, with the accent along its top edge.
        fill(c, L, t + 1, R, t + h + 6, roundRect(L, t + 1, R, t + h + 6, 6), flat(th.border));
        fill(c, L + 1, t + 2, R - 1, t + h + 6, roundRect(L + 1, t + 2, R - 1, t + h + 6, 5),
             flat(state == 2 ? mix(th.tabSelected, th.accentLight, 0.6) : th.tabSelected));
        fill(
            c, L + 1, t + 2, R - 1, t + 5,
            [=](double x, double y) { return roundRect(L + 1, t + 2, R - 1, t + h + 6, 5)(x, y) && y < t + 5; },
            flat(state == 1 ? mix(th.accent, rgb(0xFFFFFF), 0.2) : th.accent));
        return;
    }
    const Rgb face = state == 0 ? th.tabRest : state == 1 ? th.tabHover : th.accentLight;
    fill(c, L, t + 4, R, t + h + 6, roundRect(L, t + 4, R, t + h + 6, 6), flat(state == 0 ? th.border : th.accent));
    fill(c, L + 1, t + 5, R - 1, t + h + 6, roundRect(L + 1, t + 5, R - 1, t + h + 6, 5), flat(face));
    // The line under unselected tabs, where the page begins.
    fill(c, l, t + h - 1, l + w, t + h, roundRect(l, t + h - 1, l + w, t + h, 0), flat(th.border));
}

void drawLink(Canvas& c, const Theme& th, double l, double t, double w, double h, int state) {
    if (state > 0)
        fill(c, l + 1, t + 1, l + w - 1, t + h - 1, roundRect(l + 1, t + 1, l + w - 1, t + h - 1, h / 2 - 1),
             flat(state == 1 ? th.accentLight : mix(th.accentLight, th.accent, 0.3)));
    // Underline: dotted at rest, solid when highlighted or pressed.
    const double y = t + h - 6;
    fill(
        c, l + 16, y, l + w - 16, y + 1, [=](double x, double) { return state > 0 || int(std::floor(x - l)) % 3 != 0; },
        flat(state == 0 ? mix(th.accent, th.body, 0.35) : th.accent));
}

void drawHelp(Canvas& c, const Theme& th, double l, double t, double w, double h, int state) {
    const double cx = l + w / 2, cy = t + h / 2;
    const Rgb ring = state == 0 ? th.border : th.accent;
    const Rgb face = state == 0 ? th.boxFace : state == 1 ? th.accentLight : th.accent;
    fill(c, l, t, l + w, t + h, circle(cx, cy, w / 2 - 1), flat(ring));
    fill(c, l, t, l + w, t + h, circle(cx, cy, w / 2 - 2.2), flat(face));
    std::vector<std::pair<double, double>> mark = arc(cx, cy - 2.2, 3.4, 195, 395);
    mark.emplace_back(cx, cy + 2.2);
    const Rgb glyph = state == 2 ? rgb(0xFFFFFF) : th.accent;
    fill(c, l, t, l + w, t + h, polyline(mark, 1.9), flat(glyph));
    fill(c, l, t, l + w, t + h, circle(cx, cy + 5.6, 1.25), flat(glyph));
}

void drawCell(Canvas& c, const Theme& th, const ButtonStyleCell& cell, CellKind kind, bool checked, int state) {
    const double l = cell.srcX, t = cell.srcY, w = cell.width, h = cell.height;
    switch (kind) {
    case CellKind::Minimise:
    case CellKind::Close:
        drawWindowButton(c, th, l, t, w, h, kind == CellKind::Close, state);
        return;
    case CellKind::Check:
    case CellKind::Radio:
        drawBox(c, th, l, t, w, h, kind == CellKind::Radio, checked, state);
        return;
    case CellKind::Push:
        drawPush(c, th, l, t, w, h, state);
        return;
    case CellKind::Tab:
        drawTab(c, th, l, t, w, h, checked, state);
        return;
    case CellKind::Selector:
        drawSelector(c, th, l, t, w, h, state);
        return;
    case CellKind::Link:
        drawLink(c, th, l, t, w, h, state);
        return;
    case CellKind::Help:
        drawHelp(c, th, l, t, w, h, state);
        return;
    }
}

template <size_t N> Canvas drawStrip(const std::array<ButtonStyleCell, N>& cells, const Theme& th) {
    int width = 0, height = 0;
    for (const ButtonStyleCell& cell : cells) {
        width = std::max(width, cell.srcX + cell.width);
        height = std::max(height, cell.srcY + cell.height);
    }
    Canvas strip(width, height, th.body);
    for (const ButtonStyleCell& cell : cells) {
        for (const StyleRun& run : kStyleRuns)
            if (cell.styleId >= run.firstStyle && cell.styleId < run.firstStyle + 3)
                drawCell(strip, th, cell, run.kind, run.checked, cell.styleId - run.firstStyle);
    }
    return strip;
}

// The white sign on a mark: the suite's radical over a bar (also Sembrik's), a division sign (Palvex), a sigma
// (Dornak).
enum class MarkSign { Radical, Division, Sigma };

// A mark: its sign in white on a rounded square of a gradient.
void drawMark(Canvas& c, double l, double t, double size, Rgb from, Rgb to, MarkSign sign) {
    fill(c, l, t, l + size, t + size, roundRect(l, t, l + size, t + size, size * 0.22),
         [=](double x, double y) { return mix(from, to, std::clamp(((x - l) + (y - t)) / (2 * size), 0.0, 1.0)); });
    const double s = size / 32;
    const double stroke = std::max(1.4, 2.6 * s);
    const Rgb white = rgb(0xFFFFFF);
    switch (sign) {
    case MarkSign::Radical:
        fill(c, l, t, l + size, t + size,
             polyline({{l + 6 * s, t + 17 * s},
                       {l + 9.5 * s, t + 15 * s},
                       {l + 13.5 * s, t + 24.5 * s},
                       {l + 18.5 * s, t + 7.5 * s},
                       {l + 27 * s, t + 7.5 * s}},
                      stroke),
             flat(white));
        fill(c, l, t, l + size, t + size, circle(l + 23 * s, t + 17.5 * s, std::max(1.0, 2.6 * s)), flat(white));
        return;
    case MarkSign::Division:
        fill(c, l, t, l + size, t + size, polyline({{l + 8 * s, t + 16 * s}, {l + 24 * s, t + 16 * s}}, stroke),
             flat(white));
        fill(c, l, t, l + size, t + size, circle(l + 16 * s, t + 9 * s, std::max(1.1, 2.8 * s)), flat(white));
        fill(c, l, t, l + size, t + size, circle(l + 16 * s, t + 23 * s, std::max(1.1, 2.8 * s)), flat(white));
        return;
    case MarkSign::Sigma:
        fill(c, l, t, l + size, t + size,
             polyline({{l + 23 * s, t + 8 * s},
                       {l + 9 * s, t + 8 * s},
                       {l + 17 * s, t + 16 * s},
                       {l + 9 * s, t + 24 * s},
                       {l + 23 * s, t + 24 * s}},
                      stroke),
             flat(white));
        return;
    }
}

// The product mark.
void drawEmblem(Canvas& c, double l, double t, double size, Rgb from, Rgb to) {
    drawMark(c, l, t, size, from, to, MarkSign::Radical);
}

// The glyph's row in the face, or glyphCount when the face lacks it.
constexpr size_t glyphIndex(const GlyphFace& face, char character) {
    size_t i = 0;
    while (i < face.glyphCount && face.glyphs[i].character != character)
        ++i;
    return i;
}

// Whether the face has every character of the text; the texts below are checked at compile time, so that a text
// with a character the table lacks asks for makeGlyphTable.sh instead of drawing a gap.
constexpr bool faceCovers(const GlyphFace& face, const char* text) {
    for (; *text != '\0'; ++text)
        if (glyphIndex(face, *text) == face.glyphCount)
            return false;
    return true;
}

int kerningOf(const GlyphFace& face, char left, char right) {
    for (size_t i = 0; i < face.kerningCount; ++i)
        if (face.kerning[i].left == left && face.kerning[i].right == right)
            return face.kerning[i].pixels;
    return 0;
}

// Blends the text's glyphs in `colour` onto the canvas, the pen starting at x on the baseline; the glyphs' coverage
// is their anti-aliasing against whatever the canvas holds there.
void drawText(Canvas& c, const GlyphFace& face, int x, int baseline, const char* text, Rgb colour) {
    char previous = '\0';
    for (; *text != '\0'; previous = *text, ++text) {
        const size_t index = glyphIndex(face, *text);
        if (index == face.glyphCount) // faceCovers keeps this from happening
            continue;
        const GlyphImage* glyph = &face.glyphs[index];
        x += kerningOf(face, previous, *text);
        const unsigned char* coverage = face.coverage + glyph->offset;
        for (int row = 0; row < glyph->height; ++row)
            for (int column = 0; column < glyph->width; ++column)
                c.blend(x + glyph->left + column, baseline - glyph->top + row, colour,
                        coverage[row * glyph->width + column] / 255.0);
        x += glyph->advance;
    }
}

// A window's title in the header band, right of the emblem (10, 8, 24 x 24): nothing of the window's tables draws
// there, only the minimise and close controls from x 415 on.
constexpr int kTitleX = 44;
constexpr int kTitleBaseline = 26; // the capitals' middle on the emblem's (y 20)

// The settings program's module rows: the module's mark and name left of its buttons (x 183), on the rows of its
// Options, File Processing and help controls, above the "Utilities:" label (y 152). The labels' column is x 21.
struct ModuleRow {
    int top; // of the row's buttons, 26 high
    const char* name;
    MarkSign sign;
    uint32_t from, to; // the mark's gradient
};
constexpr ModuleRow kModuleRows[] = {
    // row top, name, sign, gradient from, to
    {74, "Veltrim Palvex", MarkSign::Division, 0x8E5CF7, 0xF2548B},
    {100, "Veltrim Dornak", MarkSign::Sigma, 0xFF9A3D, 0xF2548B},
    {126, "Veltrim Sembrik", MarkSign::Radical, 0x2DBE7E, 0x2F80ED}, // the converter library's own emblem
};
constexpr int kRowMarkX = 21;
constexpr int kRowMarkSize = 16;
constexpr int kRowTextX = 43;

constexpr char kSettingsProgramTitle[] = "Veltrim Sorvanta";
constexpr char kConverterLibraryTitle[] = "Veltrim Sembrik";

constexpr bool rowsCovered() {
    for (const ModuleRow& row : kModuleRows)
        if (!faceCovers(kRowFace, row.name))
            return false;
    return true;
}
static_assert(faceCovers(kTitleFace, kSettingsProgramTitle) && faceCovers(kTitleFace, kConverterLibraryTitle) &&
                  rowsCovered(),
              "a text has a character that glyphTables.h lacks: run tools/skinArtwork/makeGlyphTable.sh");

void drawModuleRows(Canvas& c, const Theme& th) {
    for (const ModuleRow& row : kModuleRows) {
        const int middle = row.top + 13;
        drawMark(c, kRowMarkX, middle - kRowMarkSize / 2, kRowMarkSize, rgb(row.from), rgb(row.to), row.sign);
        drawText(c, kRowFace, kRowTextX, middle + 4, row.name, th.text); // the capitals (9 high) on the middle
    }
}

Canvas drawBackground(int width, int height, const Theme& th, Rgb emblemFrom, Rgb emblemTo, const char* title,
                      bool moduleRows) {
    Canvas bg(width, height, th.edge);
    const double w = width, h = height;
    fill(bg, 1, 1, w - 1, h - 1, roundRect(1, 1, w - 1, h - 1, 0), flat(th.body));
    // The header band holds the window buttons (31 pixels high at the top right) and the title.
    fill(bg, 1, 1, w - 1, 40, roundRect(1, 1, w - 1, 40, 0), flat(th.header));
    fill(bg, 1, 40, w - 1, 43, roundRect(1, 40, w - 1, 43, 0), horizontal(th.stripe, 1, w - 1));
    fill(bg, 1, h - 4, w - 1, h - 1, roundRect(1, h - 4, w - 1, h - 1, 0), horizontal(th.stripe, 1, w - 1));
    drawEmblem(bg, 10, 8, 24, emblemFrom, emblemTo);
    drawText(bg, kTitleFace, kTitleX, kTitleBaseline, title, th.text);
    if (moduleRows)
        drawModuleRows(bg, th);
    // A quiet watermark of the mark in the lower right corner, away from the controls' rows.
    Canvas mark(96, 96, th.body, 0.0);
    drawEmblem(mark, 0, 0, 96, th.accent, th.accentDark);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x)
            bg.blend(width - 118 + x, height - 122 + y, mark.colour[size_t(y) * 96 + size_t(x)],
                     mark.alpha[size_t(y) * 96 + size_t(x)] * 0.035);
    return bg;
}

uint8_t channel(double value) {
    return uint8_t(std::clamp(std::lround(value), 0L, 255L));
}

void put16(std::string& out, uint32_t v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char((v >> 8) & 0xFF));
}
void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A BITMAPINFOHEADER for a bottom-up DIB; icons give twice the height (image and mask).
void putInfoHeader(std::string& out, int width, int height, int bits, uint32_t imageBytes) {
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    put16(out, 1);
    put16(out, uint32_t(bits));
    put32(out, 0); // BI_RGB
    put32(out, imageBytes);
    put32(out, 2835); // 72 dots per inch
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
}

// A 24-bit bottom-up BMP file.
std::string bmpBytes(const Canvas& c) {
    const uint32_t stride = (uint32_t(c.width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = stride * uint32_t(c.height);
    std::string out;
    out += "BM";
    put32(out, 14 + 40 + imageBytes);
    put32(out, 0);
    put32(out, 14 + 40);
    putInfoHeader(out, c.width, c.height, 24, imageBytes);
    for (int y = c.height - 1; y >= 0; --y) {
        for (int x = 0; x < c.width; ++x) {
            const Rgb& p = c.colour[size_t(y) * size_t(c.width) + size_t(x)];
            out.push_back(char(channel(p.b)));
            out.push_back(char(channel(p.g)));
            out.push_back(char(channel(p.r)));
        }
        out.append(stride - uint32_t(c.width) * 3, '\0');
    }
    return out;
}

// An ICO file of 32-bit images with alpha, plus the AND mask older readers use.
std::string icoBytes(const std::vector<Canvas>& images) {
    std::vector<std::string> bodies;
    for (const Canvas& c : images) {
        const uint32_t maskStride = ((uint32_t(c.width) + 31) / 32) * 4;
        std::string body;
        putInfoHeader(body, c.width, c.height * 2, 32, uint32_t(c.width * c.height * 4) + maskStride * c.height);
        for (int y = c.height - 1; y >= 0; --y)
            for (int x = 0; x < c.width; ++x) {
                const size_t i = size_t(y) * size_t(c.width) + size_t(x);
                body.push_back(char(channel(c.colour[i].b)));
                body.push_back(char(channel(c.colour[i].g)));
                body.push_back(char(channel(c.colour[i].r)));
                body.push_back(char(channel(c.alpha[i] * 255)));
            }
        for (int y = c.height - 1; y >= 0; --y) {
            std::string row(maskStride, '\0');
            for (int x = 0; x < c.width; ++x)
                if (channel(c.alpha[size_t(y) * size_t(c.width) + size_t(x)] * 255) == 0)
                    row[size_t(x / 8)] = char(row[size_t(x / 8)] | (0x80 >> (x % 8)));
            body += row;
        }
        bodies.push_back(body);
    }
    std::string out;
    put16(out, 0);
    put16(out, 1); // icon
    put16(out, uint32_t(images.size()));
    uint32_t offset = 6 + 16 * uint32_t(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(char(images[i].width & 0xFF));
        out.push_back(char(images[i].height & 0xFF));
        out.push_back(0); // no palette
        out.push_back(0);
        put16(out, 1);
        put16(out, 32);
        put32(out, uint32_t(bodies[i].size()));
        put32(out, offset);
        offset += uint32_t(bodies[i].size());
    }
    for (const std::string& body : bodies)
        out += body;
    return out;
}

std::string iconFile(Rgb from, Rgb to) {
    std::vector<Canvas> images;
    for (int size : {16, 32, 48}) {
        Canvas c(size, size, rgb(0x000000), 0.0);
        drawEmblem(c, 0, 0, size, from, to);
        images.push_back(std::move(c));
    }
    return icoBytes(images);
}

// A skin colour entry: hexadecimal COLORREF text (0x00BBGGRR).
std::string colourEntry(Rgb c) {
    char text[8];
    std::snprintf(text, sizeof(text), "%02X%02X%02X", channel(c.b), channel(c.g), channel(c.r));
    return text;
}

std::string offsetEntry(int value) {
    char text[8];
    std::snprintf(text, sizeof(text), value < 0 ? "-%X" : "%X", value < 0 ? -value : value);
    return text;
}

// The further skin's caption colours and offsets, by the first style of a group: normal, highlighted, pressed,
// then the highlighted and pressed captions' offsets (x, y each).
struct GroupLook {
    int32_t firstStyle;
    Rgb colours[3];
    int offsets[4];
};
const GroupLook kGraphiteGroups[] = {
    // first style, caption colours (normal, highlighted, pressed), offsets (highlighted x, y, pressed x, y)
    {25, {rgb(0xE6E9EE), rgb(0xFFFFFF), rgb(0x8FE3E8)}, {0, 0, 1, 1}},
    {31, {rgb(0xAEB6C2), rgb(0xE6E9EE), rgb(0xFFFFFF)}, {0, 0, 0, 1}},
    {34, {rgb(0xFFFFFF), rgb(0xFFFFFF), rgb(0x8FE3E8)}, {0, 0, 0, 1}},
    {37, {rgb(0xE6E9EE), rgb(0xFFFFFF), rgb(0x8FE3E8)}, {0, 0, 1, 0}},
};

template <size_t N> std::string skinText(wchar_t prefix, const std::array<SkinGroup, N>& groups) {
    std::map<int32_t, std::string> entries;
    entries[kSkinNameEntry] = "Graphite";
    entries[kSkinFormatEntry] = std::to_string(kSkinFormatVersion);
    entries[kPrimaryColourEntry] = colourEntry(kGraphite.text);
    entries[kSecondaryColourEntry] = colourEntry(rgb(0x8FD3FF));
    for (const SkinGroup& group : groups)
        for (const GroupLook& look : kGraphiteGroups)
            if (look.firstStyle == group.firstStyle) {
                for (int k = 0; k < 3; ++k)
                    entries[group.baseEntry + k] = colourEntry(look.colours[k]);
                for (int k = 0; k < 4; ++k)
                    entries[group.baseEntry + 5 + k] = offsetEntry(look.offsets[k]);
            }
    std::string text;
    for (const auto& [number, value] : entries) {
        char head[8];
        std::snprintf(head, sizeof(head), "%c%03d:", char(prefix), int(number));
        text += head + value + "\r\n";
    }
    return text;
}

using FileSet = std::map<std::string, std::string>; // relative path -> bytes

// What differs between the hosts' backgrounds besides their size and emblem colours.
struct HostTexts {
    const char* title;
    bool moduleRows;
};

template <size_t N, size_t G>
void addHost(FileSet& files, const std::string& folder, int height, const std::array<ButtonStyleCell, N>& cells,
             const std::array<SkinGroup, G>& groups, wchar_t prefix, Rgb from, Rgb to, HostTexts texts) {
    files[folder + "/background.bmp"] =
        bmpBytes(drawBackground(512, height, kColorful, from, to, texts.title, texts.moduleRows));
    files[folder + "/buttons.bmp"] = bmpBytes(drawStrip(cells, kColorful));
    files[folder + "/window.ico"] = iconFile(from, to);
    const std::string skin = folder + "/skins/graphite";
    files[skin + "/skin.txt"] = skinText(prefix, groups);
    files[skin + "/main.bmp"] = bmpBytes(
        drawBackground(512, height, kGraphite, kGraphite.accent, rgb(0x2A6FDB), texts.title, texts.moduleRows));
    files[skin + "/button.bmp"] = bmpBytes(drawStrip(cells, kGraphite));
}

FileSet drawAll() {
    FileSet files;
    addHost(files, "settingsProgram", 489, kSettingsProgramStyleCells, kSettingsProgramSkinGroups, L'D', rgb(0x2F80ED),
            rgb(0x8E5CF7), {kSettingsProgramTitle, true});
    addHost(files, "converterLibrary", 453, kConverterLibraryStyleCells, kConverterLibrarySkinGroups, L'M',
            rgb(0x2DBE7E), rgb(0x2F80ED), {kConverterLibraryTitle, false});
    return files;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes one file and says on stderr what failed: its folder could not be made (a file stands where a folder must),
// or the file could not be opened, written or closed (a full disk shows only when the buffered data is flushed, so
// the close is checked too). C stdio, because it leaves the system's reason in errno.
bool writeFile(const fs::path& path, const std::string& bytes) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        std::fprintf(stderr, "skinArtwork: cannot write %s: the folder %s cannot be made (%s)\n", path.string().c_str(),
                     path.parent_path().string().c_str(), error.message().c_str());
        return false;
    }
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "skinArtwork: cannot write %s: %s\n", path.string().c_str(), std::strerror(errno));
        return false;
    }
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "skinArtwork: cannot write %s: %s\n", path.string().c_str(),
                     std::strerror(!written && writeError != 0 ? writeError : errno));
        return false;
    }
    return true;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::string(argv[1]) != "write" && std::string(argv[1]) != "check")) {
        std::fprintf(stderr, "usage: skinArtwork write|check DIR\n");
        return 2;
    }
    const bool write = std::string(argv[1]) == "write";
    const fs::path root = argv[2];
    // Every file is tried, so that one run names every file that failed.
    int failures = 0;
    for (const auto& [name, bytes] : drawAll()) {
        const fs::path path = root / name;
        if (write) {
            failures += writeFile(path, bytes) ? 0 : 1;
        } else if (readFile(path) != bytes) {
            std::fprintf(stderr, "skinArtwork: %s differs from what this generator draws\n", path.string().c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
