// Reading and writing pictures at the file boundary. Everything inside the
// program works on the engine's Bitmap; Qt's image reader is used only here,
// and BMP files are written by our own encoder so that the bit depth and the
// layout of what we write are exactly known.
#pragma once

#include "Bitmap.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace okulon {

// Largest picture side read by default. The matrix of samples is at most
// 4 x 200 pixels wide and high; screens and recorded frames stay well below
// this. A header that claims more is refused before any pixel is decoded.
inline constexpr int DefaultMaxImageSide = 8192;

enum class ImageFormat { Bmp, Any };

// Reads only the header: the picture's size. An error text when the file is
// missing, unreadable or not a picture of the given format.
std::optional<std::string> ReadImageSize(const std::string& path, ImageFormat format, int& width, int& height);

// Reads a whole picture into out (colours as the engine stores them; alpha is
// ignored). Refuses pictures with a side above maxSide and truncated BMP
// files. On an error out is left as it was.
std::optional<std::string> ReadImageFile(const std::string& path, ImageFormat format, Bitmap& out,
                                         int maxSide = DefaultMaxImageSide);

// The bytes of an uncompressed bottom-up BMP file of bmp with 24 or 32 bits
// per pixel.
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bmp, int bitsPerPixel);

// Writes bmp as a BMP file through a temporary that replaces path only when
// every byte has been written; on an error the previous file is intact.
std::optional<std::string> WriteBmpFile(const std::string& path, const Bitmap& bmp, int bitsPerPixel);

} // namespace okulon
