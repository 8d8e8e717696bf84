// Lines, boxes, raw pixel writers and pixel-block put and capture on the active page.
#include "graphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "errors.h"

namespace {

constexpr int32_t kIllegalFunctionCall = 5;

// Mapped coordinates are held within this, so arithmetic on them never overflows while a point
// far off the image still lies far off it.
constexpr double kFarAway = 1099511627776.0;  // 2^40

// Nearest integer, ties to even, whatever the floating-point environment says.
int64_t RoundTiesToEven(double value) {
    if (std::isnan(value)) return 0;
    value = std::clamp(value, -kFarAway, kFarAway);
    const double floor = std::floor(value);
    const double fraction = value - floor;
    auto result = static_cast<int64_t>(floor);
    if (fraction > 0.5 || (fraction == 0.5 && (result & 1) != 0)) ++result;
    return result;
}

// num / den rounded half away from zero, exactly; den > 0.
int64_t DivideRoundHalfAway(int64_t num, int64_t den) {
    const int64_t magnitude = num < 0 ? -num : num;
    const int64_t quotient = (2 * magnitude + den) / (2 * den);
    return num < 0 ? -quotient : quotient;
}

uint32_t RotateLeft(uint32_t value, uint32_t count) {
    count &= 31;
    return count == 0 ? value : (value << count) | (value >> (32 - count));
}

bool OnImage(const ImagePage& page, int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x < page.width && y < page.height;
}

uint8_t* PixelAddress(ImagePage& page, int64_t x, int64_t y) {
    return page.store +
           (static_cast<size_t>(y) * page.width + static_cast<size_t>(x)) * page.bytesPerPixel;
}

// Without raising the pixels-written word: both callers hold a PixelBatch.
void StorePixel(ImagePage& page, int64_t x, int64_t y, uint32_t colour) {
    uint8_t* at = PixelAddress(page, x, y);
    if (page.bytesPerPixel == 4) {
        Pix_StoreQuiet32(at, colour);
    } else {
        Pix_StoreQuiet(at, static_cast<uint8_t>(colour & page.colourMask));
    }
}

void PlotOn(ImagePage& page, int64_t x, int64_t y, uint32_t colour) {
    if (page.text != 0 || page.store == nullptr || !OnImage(page, x, y)) return;
    const PixelBatch batch;
    StorePixel(page, x, y, colour);
}

// Fills the inclusive rectangle, cut to the image so that no write ever leaves the store.
void FillOn(ImagePage& page, int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint32_t colour) {
    if (page.text != 0 || page.store == nullptr) return;
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    x1 = std::max<int64_t>(x1, 0);
    y1 = std::max<int64_t>(y1, 0);
    x2 = std::min<int64_t>(x2, page.width - 1);
    y2 = std::min<int64_t>(y2, page.height - 1);
    const PixelBatch batch;
    for (int64_t y = y1; y <= y2; ++y) {
        for (int64_t x = x1; x <= x2; ++x) StorePixel(page, x, y, colour);
    }
}

// Outcode bits of a point against the graphics view.
constexpr int kLeftOfView = 1;
constexpr int kRightOfView = 2;
constexpr int kAboveView = 4;
constexpr int kBelowView = 8;

int Outcode(const ImagePage& page, int64_t x, int64_t y) {
    int code = 0;
    if (x < page.viewX1) code |= kLeftOfView;
    if (x > page.viewX2) code |= kRightOfView;
    if (y < page.viewY1) code |= kAboveView;
    if (y > page.viewY2) code |= kBelowView;
    return code;
}

// Moves an endpoint outside the view onto the edge named by its outcode, along the segment
// a-b; false when the segment runs parallel to that edge (it then misses the view).
bool MoveOntoEdge(const ImagePage& page, PixelPoint a, PixelPoint b, int code, PixelPoint& point) {
    const double ax = static_cast<double>(a.x), ay = static_cast<double>(a.y);
    const double dx = static_cast<double>(b.x - a.x), dy = static_cast<double>(b.y - a.y);
    if ((code & (kAboveView | kBelowView)) != 0) {
        if (dy == 0) return false;
        const int64_t edge = (code & kAboveView) != 0 ? page.viewY1 : page.viewY2;
        point.y = edge;
        point.x = RoundTiesToEven(ax + dx * (static_cast<double>(edge) - ay) / dy);
        return true;
    }
    if (dx == 0) return false;
    const int64_t edge = (code & kLeftOfView) != 0 ? page.viewX1 : page.viewX2;
    point.x = edge;
    point.y = RoundTiesToEven(ay + dy * (static_cast<double>(edge) - ax) / dx);
    return true;
}

// One line segment between mapped endpoints, clipped to the graphics view, dashed by `style`.
void DrawSegment(ImagePage& page, PixelPoint a, PixelPoint b, uint32_t colour, uint32_t style) {
    PixelPoint p1 = a;
    PixelPoint p2 = b;
    int code1 = Outcode(page, p1.x, p1.y);
    int code2 = Outcode(page, p2.x, p2.y);
    // Each round puts one endpoint on an edge; a few rounds settle any segment.
    for (int round = 0; round < 8 && (code1 | code2) != 0; ++round) {
        if ((code1 & code2) != 0) return;
        if (code1 != 0) {
            if (!MoveOntoEdge(page, a, b, code1, p1)) return;
            code1 = Outcode(page, p1.x, p1.y);
        } else {
            if (!MoveOntoEdge(page, a, b, code2, p2)) return;
            code2 = Outcode(page, p2.x, p2.y);
        }
    }
    if ((code1 | code2) != 0) return;

    // The pixels skipped at the first end keep the dashes where the whole line has them.
    const int64_t skipped = std::max(std::llabs(p1.x - a.x), std::llabs(p1.y - a.y));
    const uint32_t style16 = style & 0xFFFF;
    uint32_t pattern = RotateLeft((style16 << 16) | style16, static_cast<uint32_t>(skipped % 16));

    const int64_t dx = p2.x - p1.x;
    const int64_t dy = p2.y - p1.y;
    const bool y_major = std::llabs(dy) >= std::llabs(dx);
    const int64_t major = y_major ? std::llabs(dy) : std::llabs(dx);
    const int64_t step = (y_major ? dy : dx) < 0 ? -1 : 1;
    for (int64_t i = 0; i <= major; ++i) {
        pattern = RotateLeft(pattern, 1);
        if ((pattern & 1) == 0) continue;
        const int64_t minor_offset =
            major == 0 ? 0 : DivideRoundHalfAway(i * (y_major ? dx : dy), major);
        if (y_major) {
            PlotOn(page, p1.x + minor_offset, p1.y + i * step, colour);
        } else {
            PlotOn(page, p1.x + i * step, p1.y + minor_offset, colour);
        }
    }
}

void FilledBox(ImagePage& page, PixelPoint a, PixelPoint b, uint32_t colour) {
    const int64_t x1 = std::min(a.x, b.x), x2 = std::max(a.x, b.x);
    const int64_t y1 = std::min(a.y, b.y), y2 = std::max(a.y, b.y);
    if (x2 < page.viewX1 || x1 > page.viewX2 || y2 < page.viewY1 || y1 > page.viewY2) return;
    FillOn(page, std::max<int64_t>(x1, page.viewX1), std::max<int64_t>(y1, page.viewY1),
           std::min<int64_t>(x2, page.viewX2), std::min<int64_t>(y2, page.viewY2), colour);
}

// Bytes of one row of a block of `width_px` pixels for a page of `bits` bits per pixel.
size_t RowBytes(int bits, int64_t width_px) {
    const auto w = static_cast<size_t>(width_px);
    switch (bits) {
        case 1:
            return (w + 7) / 8;
        case 2:
            return (2 * w + 7) / 8;
        case 4:
            return 4 * ((w + 7) / 8);
        case 8:
            return w;
        default:
            return 4 * w;
    }
}

uint16_t ReadWord(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

// Colour of pixel `x` of a block row.
uint32_t DecodePixel(int bits, const uint8_t* row, size_t row_bytes, int64_t x) {
    const auto byte = static_cast<size_t>(x >> 3);
    const int bit = 7 - static_cast<int>(x & 7);
    switch (bits) {
        case 1:
            return (row[byte] >> bit) & 1u;
        case 2:
            return (row[static_cast<size_t>(x >> 2)] >> (6 - 2 * (x & 3))) & 3u;
        case 4: {
            const size_t plane_bytes = row_bytes / 4;
            uint32_t colour = 0;
            for (size_t plane = 0; plane < 4; ++plane) {
                colour |= ((row[plane * plane_bytes + byte] >> bit) & 1u) << plane;
            }
            return colour;
        }
        case 8:
            return row[x];
        default: {
            const uint8_t* at = row + static_cast<size_t>(x) * 4;
            return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
                   (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
        }
    }
}

void EncodePixel(int bits, uint8_t* row, size_t row_bytes, int64_t x, uint32_t colour) {
    const auto byte = static_cast<size_t>(x >> 3);
    const int bit = 7 - static_cast<int>(x & 7);
    switch (bits) {
        case 1:
            row[byte] = static_cast<uint8_t>(row[byte] | ((colour & 1u) << bit));
            break;
        case 2: {
            const auto at = static_cast<size_t>(x >> 2);
            row[at] = static_cast<uint8_t>(row[at] | ((colour & 3u) << (6 - 2 * (x & 3))));
            break;
        }
        case 4: {
            const size_t plane_bytes = row_bytes / 4;
            for (size_t plane = 0; plane < 4; ++plane) {
                uint8_t& target = row[plane * plane_bytes + byte];
                target = static_cast<uint8_t>(target | (((colour >> plane) & 1u) << bit));
            }
            break;
        }
        case 8:
            row[x] = static_cast<uint8_t>(colour);
            break;
        default: {
            uint8_t* at = row + static_cast<size_t>(x) * 4;
            for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(colour >> (8 * i));
        }
    }
}

uint32_t BitsMask(int bits) {
    return bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
}

// The active page when it can take graphics; error 5 otherwise.
ImagePage* GraphicsPage() {
    ImagePage* page = Scr_ActivePage();
    if (page == nullptr || page->text != 0 || page->store == nullptr) {
        Err_Raise(kIllegalFunctionCall);
        return nullptr;
    }
    return page;
}

}  // namespace

PixelPoint Scr_MapPoint(const ImagePage& page, float x, float y) {
    float fx = x;
    float fy = y;
    if (page.viewState == 2) {
        fx = x * page.windowScaleX + page.windowOffsetX;
        fy = y * page.windowScaleY + page.windowOffsetY;
    }
    PixelPoint point{RoundTiesToEven(fx), RoundTiesToEven(fy)};
    if (page.viewState == 1 || page.viewState == 2) {
        point.x += page.viewOriginX;
        point.y += page.viewOriginY;
    }
    return point;
}

void Scr_Line(float x1, float y1, float x2, float y2, uint32_t colour, int32_t shape,
              uint32_t style, int32_t given) {
    if (Err_IsPending()) return;
    ImagePage* page = GraphicsPage();
    if (page == nullptr) return;
    if (shape < kShapeLine || shape > kShapeFilledBox) {
        Err_Raise(kIllegalFunctionCall);
        return;
    }
    float first_x = page->lastPointX;
    float first_y = page->lastPointY;
    if ((given & kLineFirstGiven) != 0) {
        first_x = x1;
        first_y = y1;
        if ((given & kLineFirstRelative) != 0) {
            first_x += page->lastPointX;
            first_y += page->lastPointY;
        }
    }
    float second_x = x2;
    float second_y = y2;
    if ((given & kLineSecondRelative) != 0) {
        second_x += first_x;
        second_y += first_y;
    }
    page->lastPointX = second_x;
    page->lastPointY = second_y;
    const uint32_t drawing =
        (given & kLineColourGiven) != 0 ? colour : static_cast<uint32_t>(page->foreground);
    page->drawingColour = drawing;
    const uint32_t dashes = (given & kLineStyleGiven) != 0 ? (style & 0xFFFF) : 0xFFFF;

    const PixelPoint a = Scr_MapPoint(*page, first_x, first_y);
    const PixelPoint b = Scr_MapPoint(*page, second_x, second_y);
    switch (shape) {
        case kShapeLine:
            DrawSegment(*page, a, b, drawing, dashes);
            break;
        case kShapeBox:
            DrawSegment(*page, a, PixelPoint{b.x, a.y}, drawing, dashes);
            DrawSegment(*page, PixelPoint{b.x, a.y}, b, drawing, dashes);
            DrawSegment(*page, b, PixelPoint{a.x, b.y}, drawing, dashes);
            DrawSegment(*page, PixelPoint{a.x, b.y}, a, drawing, dashes);
            break;
        default:
            FilledBox(*page, a, b, drawing);
            break;
    }
}

void Scr_PlotPixel(int32_t x, int32_t y, uint32_t colour) {
    ImagePage* page = Scr_ActivePage();
    if (page != nullptr) PlotOn(*page, x, y, colour);
}

void Scr_FillBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
    ImagePage* page = Scr_ActivePage();
    if (page != nullptr) FillOn(*page, x1, y1, x2, y2, colour);
}

size_t Scr_BlockBytes(const ImagePage& page, int32_t width_px, int32_t height_px) {
    return kBlockHeaderBytes + static_cast<size_t>(std::max(height_px, 0)) *
                                   RowBytes(page.bitsPerPixel, std::max(width_px, 0));
}

void Scr_PutBlock(float x, float y, const uint8_t* block, size_t block_bytes, int32_t action,
                  uint32_t mask_colour, int32_t given) {
    if (Err_IsPending()) return;
    ImagePage* page = GraphicsPage();
    if (page == nullptr) return;
    if (action < kPutExclusiveOrPlain || action > kPutExclusiveOr) {
        Err_Raise(kIllegalFunctionCall);
        return;
    }
    float fx = x;
    float fy = y;
    if ((given & kBlockRelative) != 0) {
        fx += page->lastPointX;
        fy += page->lastPointY;
        page->lastPointX = fx;
        page->lastPointY = fy;
    }
    const PixelPoint at = Scr_MapPoint(*page, fx, fy);

    if (block == nullptr || block_bytes < kBlockHeaderBytes) {
        Err_Raise(kIllegalFunctionCall);
        return;
    }
    const int bits = page->bitsPerPixel;
    const uint16_t width_field = ReadWord(block);
    const int64_t height = ReadWord(block + 2);
    if ((bits == 2 && width_field % 2 != 0) || (bits == 8 && width_field % 8 != 0)) {
        Err_Raise(kIllegalFunctionCall);
        return;
    }
    const int64_t width = bits == 2 ? width_field / 2 : bits == 8 ? width_field / 8 : width_field;
    const bool clip = (given & kBlockClip) != 0;
    if (!clip &&
        (at.x < 0 || at.y < 0 || at.x + width > page->width || at.y + height > page->height)) {
        Err_Raise(kIllegalFunctionCall);
        return;
    }
    const size_t row_bytes = RowBytes(bits, width);
    if (block_bytes - kBlockHeaderBytes < static_cast<size_t>(height) * row_bytes) {
        Err_Raise(kIllegalFunctionCall);
        return;
    }

    const uint32_t bits_mask = BitsMask(bits);
    const bool masked = (given & kBlockMask) != 0;
    const int64_t first_column = std::max<int64_t>(0, -at.x);
    const int64_t end_column = std::min<int64_t>(width, page->width - at.x);
    const int64_t first_row = std::max<int64_t>(0, -at.y);
    const int64_t end_row = std::min<int64_t>(height, page->height - at.y);
    const PixelBatch batch;
    for (int64_t row = first_row; row < end_row; ++row) {
        const uint8_t* source = block + kBlockHeaderBytes + static_cast<size_t>(row) * row_bytes;
        for (int64_t column = first_column; column < end_column; ++column) {
            const uint32_t c = DecodePixel(bits, source, row_bytes, column);
            if (masked && (c & bits_mask) == (mask_colour & bits_mask)) continue;
            uint8_t* target = PixelAddress(*page, at.x + column, at.y + row);
            const uint32_t d = page->bytesPerPixel == 4 ? Pix_Load32(target) : Pix_Load(target);
            uint32_t result = c;
            switch (action) {
                case kPutOverwrite:
                    break;
                case kPutInverted:
                    result = ~c & page->colourMask;
                    break;
                case kPutAnd:
                    result = d & c;
                    break;
                case kPutOr:
                    result = d | c;
                    break;
                default:
                    result = d ^ c;
                    break;
            }
            // Written as the block holds it: only the inverted put keeps within the colour mask.
            if (page->bytesPerPixel == 4) {
                Pix_StoreQuiet32(target, result);
            } else {
                Pix_StoreQuiet(target, static_cast<uint8_t>(result));
            }
        }
    }
}

void Scr_GetBlock(float x1, float y1, float x2, float y2, uint8_t* block, size_t block_bytes) {
    if (Err_IsPending()) return;
    ImagePage* page = GraphicsPage();
    if (page == nullptr) return;
    const PixelPoint a = Scr_MapPoint(*page, x1, y1);
    const PixelPoint b = Scr_MapPoint(*page, x2, y2);
    const int64_t left = std::min(a.x, b.x), right = std::max(a.x, b.x);
    const int64_t top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    if (!OnImage(*page, left, top) || !OnImage(*page, right, bottom)) {
        Err_Raise(kIllegalFunctionCall);
        return;
    }
    const int bits = page->bitsPerPixel;
    const int64_t width = right - left + 1;
    const int64_t height = bottom - top + 1;
    const int64_t width_field = bits == 2 ? 2 * width : bits == 8 ? 8 * width : width;
    const size_t row_bytes = RowBytes(bits, width);
    const size_t needed = kBlockHeaderBytes + static_cast<size_t>(height) * row_bytes;
    if (width_field > 0xFFFF || block == nullptr || block_bytes < needed) {
        Err_Raise(kIllegalFunctionCall);
        return;
    }
    std::memset(block, 0, needed);
    block[0] = static_cast<uint8_t>(width_field);
    block[1] = static_cast<uint8_t>(width_field >> 8);
    block[2] = static_cast<uint8_t>(height);
    block[3] = static_cast<uint8_t>(height >> 8);
    for (int64_t row = 0; row < height; ++row) {
        uint8_t* target = block + kBlockHeaderBytes + static_cast<size_t>(row) * row_bytes;
        for (int64_t column = 0; column < width; ++column) {
            const uint8_t* source = PixelAddress(*page, left + column, top + row);
            const uint32_t colour =
                page->bytesPerPixel == 4 ? Pix_Load32(source) : Pix_Load(source);
            EncodePixel(bits, target, row_bytes, column, colour);
        }
    }
}

std::vector<uint8_t> Scr_CaptureBlock(float x1, float y1, float x2, float y2) {
    if (Err_IsPending()) return {};
    const ImagePage* page = Scr_ActivePage();
    if (page == nullptr || page->text != 0) {
        Err_Raise(kIllegalFunctionCall);
        return {};
    }
    const PixelPoint a = Scr_MapPoint(*page, x1, y1);
    const PixelPoint b = Scr_MapPoint(*page, x2, y2);
    const int64_t width = std::llabs(b.x - a.x) + 1;
    const int64_t height = std::llabs(b.y - a.y) + 1;
    if (width > page->width || height > page->height) {
        Err_Raise(kIllegalFunctionCall);
        return {};
    }
    std::vector<uint8_t> block(
        Scr_BlockBytes(*page, static_cast<int32_t>(width), static_cast<int32_t>(height)));
    Scr_GetBlock(x1, y1, x2, y2, block.data(), block.size());
    if (Err_IsPending()) return {};
    return block;
}
