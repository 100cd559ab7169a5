#include "support/JPEGInspection.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <jpeglib.h>

namespace testing_support {
namespace {

struct ThrowingError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void exitByJump(j_common_ptr cinfo) {
    auto* error = reinterpret_cast<ThrowingError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, error->message);
    std::longjmp(error->jump, 1);
}

struct Decompressor {
    jpeg_decompress_struct cinfo{};
    ThrowingError error{};
    Decompressor() {
        cinfo.err = jpeg_std_error(&error.manager);
        error.manager.error_exit = exitByJump;
        error.manager.emit_message = [](j_common_ptr, int) {}; // warnings about the data stay quiet
        jpeg_create_decompress(&cinfo);
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
};

} // namespace

bool JPEGMarker::startsWith(const std::string& prefix) const {
    return data.size() >= prefix.size() && std::memcmp(data.data(), prefix.data(), prefix.size()) == 0;
}

int JPEGInspection::markerCount(int code, const std::string& prefix) const {
    int count = 0;
    for (const auto& marker : markers)
        if (marker.code == code && marker.startsWith(prefix)) ++count;
    return count;
}

std::optional<platform::Bytes> JPEGInspection::app1Payload(const std::string& header) const {
    for (const auto& marker : markers)
        if (marker.code == JPEG_APP0 + 1 && marker.startsWith(header))
            return platform::Bytes(marker.data.begin() + static_cast<long>(header.size()), marker.data.end());
    return std::nullopt;
}

// Only plain data leaves the jump-guarded scope, so no destructor is skipped by a jump.
JPEGInspection inspectJpeg(const platform::Bytes& jpeg) {
    JPEGInspection result;
    Decompressor decoder;
    jpeg_decompress_struct* cinfo = &decoder.cinfo;
    if (setjmp(decoder.error.jump)) throw std::runtime_error(decoder.error.message);
    jpeg_save_markers(cinfo, JPEG_COM, 0xFFFF);
    for (int app = 0; app < 16; ++app) jpeg_save_markers(cinfo, JPEG_APP0 + app, 0xFFFF);
    jpeg_mem_src(cinfo, jpeg.data(), jpeg.size());
    jpeg_read_header(cinfo, TRUE);
    JOCTET* icc = nullptr;
    unsigned int iccLength = 0;
    if (jpeg_read_icc_profile(cinfo, &icc, &iccLength)) {
        result.icc.assign(icc, icc + iccLength);
        std::free(icc);
    }
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(cinfo);
    result.width = static_cast<int>(cinfo->image_width);
    result.height = static_cast<int>(cinfo->image_height);
    result.progressive = cinfo->progressive_mode;
    result.colourSpace = cinfo->jpeg_color_space;
    for (int ci = 0; ci < cinfo->num_components; ++ci) {
        jpeg_component_info* info = cinfo->comp_info + ci;
        JPEGComponent& component = result.components.emplace_back();
        component.hSampling = info->h_samp_factor;
        component.vSampling = info->v_samp_factor;
        component.widthInBlocks = static_cast<int>(info->width_in_blocks);
        component.heightInBlocks = static_cast<int>(info->height_in_blocks);
        component.quantTable = info->quant_tbl_no;
        for (int row = 0; row < component.heightInBlocks; ++row) {
            JBLOCKARRAY rows = (*cinfo->mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(cinfo), arrays[ci],
                                                                 static_cast<JDIMENSION>(row), 1, FALSE);
            for (int column = 0; column < component.widthInBlocks; ++column)
                component.coefficients.insert(component.coefficients.end(), rows[0][column], rows[0][column] + 64);
        }
    }
    for (int table = 0; table < NUM_QUANT_TBLS; ++table) {
        std::vector<std::uint16_t> values;
        if (cinfo->quant_tbl_ptrs[table] != nullptr)
            values.assign(cinfo->quant_tbl_ptrs[table]->quantval, cinfo->quant_tbl_ptrs[table]->quantval + 64);
        result.quantTables.push_back(std::move(values));
    }
    for (jpeg_saved_marker_ptr marker = cinfo->marker_list; marker != nullptr; marker = marker->next)
        result.markers.push_back({marker->marker, platform::Bytes(marker->data, marker->data + marker->data_length)});
    jpeg_finish_decompress(cinfo);
    return result;
}

DecodedJPEG decodeJpeg(const platform::Bytes& jpeg) {
    DecodedJPEG result;
    Decompressor decoder;
    jpeg_decompress_struct* cinfo = &decoder.cinfo;
    if (setjmp(decoder.error.jump)) throw std::runtime_error(decoder.error.message);
    jpeg_mem_src(cinfo, jpeg.data(), jpeg.size());
    jpeg_read_header(cinfo, TRUE);
    if (cinfo->jpeg_color_space != JCS_GRAYSCALE) cinfo->out_color_space = JCS_RGB;
    jpeg_start_decompress(cinfo);
    result.width = static_cast<int>(cinfo->output_width);
    result.height = static_cast<int>(cinfo->output_height);
    result.components = cinfo->output_components;
    result.pixels.resize(static_cast<std::size_t>(result.width) * result.height * result.components);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = result.pixels.data() +
                       static_cast<std::size_t>(cinfo->output_scanline) * result.width * result.components;
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_decompress(cinfo);
    return result;
}

} // namespace testing_support
