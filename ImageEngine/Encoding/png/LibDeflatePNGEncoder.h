#pragma once
#include "ImageEngine/Model/EncodeEffort.h"
#include "ImageEngine/Encoding/ImageEncoder.h"
#include "ImageEngine/Encoding/imageio/ImageIOEncoder.h"
#include "ImageEngine/Encoding/png/PNGChunks.h"
#include "platform/base/Bytes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace pictavo {

// The PNG encoder: the platform writer writes the file, then the file is made smaller without
// changing a pixel. The pixel data is read back to its rows, an opaque alpha channel is
// dropped, row filters are chosen and the rows are compressed again with libdeflate, then
// proved by reading them back. A rewritten file is kept only when it is strictly smaller; the
// optimisation pass never throws.
class LibDeflatePNGEncoder final : public ImageEncoder {
public:
    LibDeflatePNGEncoder();

    OutputFormat format() const override { return format_; }
    bool supportsQuality() const override { return false; }
    bool writesLosslesslyWithoutAQuality() const override { return true; }
    bool writesSingleChannelGrey() const override { return true; }
    bool carriesColourSpace() const override { return true; }
    // The preview effort compresses less.
    bool writesTheSameFileAtEveryEffort() const override { return false; }
    QualityRange qualityRange() const override { return {}; }
    // The rows as the file stores them, their filtered copy, and the compressed streams compared.
    std::uint64_t workingBytes(std::int64_t width, std::int64_t height, const QualityMode&) const override {
        return pixelsOf(width, height) * 12;
    }
    // Throws only what the platform writer throws.
    platform::Bytes encode(const platform::ImageRef& image, const EncodeOptions& options) const override;
    // Lets the image go once the platform writer has written it.
    platform::Bytes encodeReleasing(platform::ImageRef image, const EncodeOptions& options) const override;

    // The file with its metadata chunks removed when `strip`, and its pixel data re-compressed
    // when that is strictly smaller. Without `strip` it always gives a file, the input itself
    // when nothing was gained; with `strip`, none for a file that does not parse, whose pixel
    // data is damaged, or that cannot be written back.
    // `budget` bounds the bytes of the unpacked pixel data; none gives one conversion's share.
    static std::optional<platform::Bytes> recompressPNG(std::span<const std::uint8_t> file, EncodeEffort effort,
                                                        bool strip, std::optional<std::size_t> budget = std::nullopt);
    // What recompressPNG holds beside a file of `fileBytes` bytes with this header at its
    // peak, result included: the pixel data gathered, its rows inflated, unfiltered and
    // filtered anew, and the compressed streams, when the rows fit `budget`; otherwise the file
    // written back.
    static std::uint64_t recompressionBytes(const PNGChunks::Header& header, bool animated, std::uint64_t fileBytes,
                                            std::size_t budget);
    // False only when the pixel data unpacks to exactly the size the header gives, interlaced
    // or not; an unreadable header counts as damage. Data over `budget` is checked in
    // constant memory.
    static bool pixelDataIsDamaged(const std::vector<PNGChunks::Chunk>& chunks, std::size_t budget);

    // Filter strategies: 0-4 put that one filter on every row; the two heuristics pick a
    // filter per row.
    static constexpr int minimumSumStrategy = 5;
    static constexpr int minimumEntropyStrategy = 6;
    static constexpr int noStrategy = 7;
    static constexpr std::array<int, 7> choiceList{0, 1, 2, 3, 4, 6, 5};
    static constexpr std::array<int, 6> refilterList{0, 1, 2, 3, 4, 6};
    // Filtered rows from this length on are worth a thread: their trials and compressions run
    // side by side on processors no conversion is using.
    static constexpr std::size_t sideBySideLength = 64 * 1024;
    // Past this length the own filtering and the search for a better one take turns instead:
    // side by side, a conversion would hold the rows four times over.
    static constexpr std::size_t sideBySideMemoryLength = 256 * 1024 * 1024;
    // Up to this length the trials one after another keep the best rows so far, so that the
    // winner is not filtered twice; longer rows are filtered again instead of kept twice.
    static constexpr std::size_t keptTrialLength = 64 * 1024 * 1024;

    // The file with its pixel data re-compressed (and metadata chunks dropped when `strip`),
    // or none when that fails or is not strictly shorter. `budget` bounds the bytes of the
    // unpacked pixel data. Interlaced and animated files are left alone.
    static std::optional<platform::Bytes> recompressIDAT(std::span<const std::uint8_t> file, EncodeEffort effort,
                                                         bool strip, std::size_t budget);

    // Filtered rows (each led by its filter byte) to the raw samples, or none when they do not
    // match the header or use an unknown filter.
    static std::optional<platform::Bytes> unfilterRows(std::span<const std::uint8_t> filtered,
                                                       const PNGChunks::Header& header);
    // Raw rows filtered with strategy 0 to 6; empty when the rows do not match the header.
    static platform::Bytes filterRows(std::span<const std::uint8_t> raw, const PNGChunks::Header& header,
                                      int strategy);
    // Rows filtered by one strategy.
    struct Filtering {
        int strategy;
        platform::Bytes rows;
    };
    // The earliest of `candidates` whose filtering the platform encoder packs smallest, when
    // that size is strictly below `threshold`; else none.
    static std::optional<Filtering> bestFiltering(std::span<const std::uint8_t> raw, const PNGChunks::Header& header,
                                                  std::span<const int> candidates, std::size_t threshold);
    // The rows filtered by the best strategy of the re-filter list, when it packs more than 1 %
    // below `limit`; else none. `packsToLimit` names a strategy known to give the rows that
    // packed to the limit (the input's own single filter), which is not tried again.
    static std::optional<platform::Bytes> refilterBelow(std::span<const std::uint8_t> raw,
                                                        const PNGChunks::Header& header, std::size_t limit,
                                                        int packsToLimit = noStrategy);
    // The filter type every row of `filtered` uses, or `noStrategy` when they differ or the
    // rows do not match the header.
    static int singleFilterOf(std::span<const std::uint8_t> filtered, const PNGChunks::Header& header);
    // A fast estimate of how well a buffer compresses; the bytes are not kept.
    static std::optional<std::size_t> platformDeflatedSize(std::span<const std::uint8_t> buffer);

private:
    OutputFormat format_;
    ImageIOEncoder base_;
};

} // namespace pictavo
