// A copy of what the player sees at one frame: the visual page, its palette and the window.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct ScreenSnapshot {
    bool valid = false;
    bool text = false;        // a text page: `cells` holds (character, attribute) pairs
    int width = 0;            // pixels, or columns of a text page
    int height = 0;           // pixels, or rows of a text page
    int font = 0;
    std::vector<uint8_t> pixels;  // colour indexes (pixel pages) or cells (text pages)
    std::array<uint32_t, 256> palette{};
    bool box_open = false;
    std::string box_caption;
    std::string box_text;
    // The window's picture, 0xRRGGBB, as presented (message box included).
    int window_width = 0;
    int window_height = 0;
    std::vector<uint32_t> window_pixels;
};

// What a snapshot holds: the page alone is enough to read text and colours; the window's
// picture is for pictures of the screen.
enum class SnapshotParts : uint8_t { PageAndWindow, Page };

// Takes the snapshot; start-up thread only, after a presentation. A snapshot taken before
// lends its buffers to the new one.
bool Snapshot_Take(ScreenSnapshot& snapshot, SnapshotParts parts = SnapshotParts::PageAndWindow);

// One recognised text cell.
struct RecognisedCell {
    uint8_t code = ' ';     // code page 437; '?' when the cell shows no glyph
    int foreground = -1;    // colour index of the glyph's pixels, -1 for a one-colour cell
    int background = -1;
    bool glyph = false;     // false for '?'
};

// The text the page shows, cell by cell, recognised from its pixels with its font.
std::vector<std::vector<RecognisedCell>> Snapshot_Recognise(const ScreenSnapshot& snapshot);
// The same as UTF-8 rows (trailing blanks kept), with an open message box added below.
std::vector<std::string> Snapshot_TextRows(const ScreenSnapshot& snapshot);
