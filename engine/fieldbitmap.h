// The off-screen play field: 512 x 312 opaque 32-bit pixels with a brush colour for
// the per-frame clear and a copy mode for block copies from the sprite sheets.
#pragma once

#include "colour.h"
#include "layout.h"

#include <cstdint>
#include <memory>

// Raster operations of a block copy, channel by channel on the RGB bits.
enum class CopyMode : std::uint32_t {
    SrcAnd = 0x008800C6,   // destination := destination AND source
    SrcPaint = 0x00EE0086, // destination := destination OR source
};

struct TRect
{
    int left = 0;
    int top = 0;
    int right = 0; // exclusive
    int bottom = 0;
};

// A read-only source of pixels for block copies (a sprite sheet).
struct PixelView
{
    const std::uint32_t *pixels = nullptr;
    int width = 0;
    int height = 0;
};

// How a clear of whole rows writes memory. Streaming stores skip reading each line into
// the cache before overwriting it, which pays on some processors and costs several times
// over on others, where the drawing that follows has to fetch every line back.
enum class ClearMethod { PlainStores, StreamingStores };

// The clear every field uses; plain stores until set or chosen.
ClearMethod clearMethod();
// A method this processor lacks (streaming stores without SSE2) falls back to plain stores.
void setClearMethod(ClearMethod method);
const char *clearMethodName(ClearMethod method);
// Times a clear and a sprite step's tiles with each method for a few milliseconds, in
// alternating rounds, and keeps plain stores unless streaming ones are clearly ahead.
// Call once, at start-up, before the first frame; returns the method taken.
ClearMethod chooseClearMethod();

class FieldBitmap
{
public:
    static constexpr int kWidth = kFieldWidth;
    static constexpr int kHeight = kFieldHeight;

    // Listener told after every drawing operation; the view uses it to schedule a repaint.
    using ChangeHandler = void (*)(void *context);

    FieldBitmap();
    FieldBitmap(const FieldBitmap &other); // a copy in memory of its own
    FieldBitmap &operator=(const FieldBitmap &) = delete;

    std::uint32_t *pixels() { return m_pixels; }
    const std::uint32_t *pixels() const { return m_pixels; }
    std::uint32_t pixel(int x, int y) const { return m_pixels[y * kWidth + x]; }

    // What a new pixel store holds once the field draws into it.
    enum class StoreContent { KeepPixels, Undefined };
    // Draws into `store` (kWidth x kHeight pixels that someone else owns and keeps alive,
    // such as memory the display reads) from now on, releasing the field's own memory.
    // Undefined skips the copy, for a frame that clears the whole field before it reads.
    void useStore(std::uint32_t *store, StoreContent content);

    TColor brushColor() const { return m_brushColor; }
    void setBrushColor(TColor colour) { m_brushColor = colour; }
    CopyMode copyMode() const { return m_copyMode; }
    void setCopyMode(CopyMode mode) { m_copyMode = mode; }

    void setChangeHandler(ChangeHandler handler, void *context);

    // Solid fill with the brush colour; the rectangle is clipped to the field.
    void fillRect(const TRect &rect);

    // Combines a source rectangle of `source` into the destination rectangle at
    // (x, y) under the copy mode; both are clipped so nothing outside either is touched.
    void copyRect(int x, int y, const PixelView &source, const TRect &sourceRect);

    // A whole 32 x 32 tile at (x, y), inside the field: destination AND mask, then OR
    // colour, in one pass. Both sources are 32 x 32 blocks of a sheet with `sourceStride`
    // pixels per row. Leaves the copy mode at SrcPaint, as the two copies would.
    static constexpr int kTile = 32;
    void andOrTile(int x, int y, const std::uint32_t *mask, const std::uint32_t *colour,
                   int sourceStride);

private:
    void changed()
    {
        if (m_onChange)
            m_onChange(m_changeContext);
    }

    std::unique_ptr<std::uint32_t[]> m_ownPixels; // empty while drawing into a store
    std::uint32_t *m_pixels = nullptr;
    TColor m_brushColor = clWhite;
    CopyMode m_copyMode = CopyMode::SrcPaint; // as DrawTile leaves it
    ChangeHandler m_onChange = nullptr;
    void *m_changeContext = nullptr;
};
