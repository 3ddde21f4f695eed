// Floyd-Steinberg error diffusion onto the grey palettes, and the library's
// own colour quantisation for 256 colours.
#include "picture_reduction.h"

#include <algorithm>
#include <cmath>

namespace imaging {
namespace {

constexpr int kSide = records::bitmap::kSide;
constexpr int kFourBitStep = 17;

// Brightness of a colour, as a television shows it.
float Brightness(uint8_t red, uint8_t green, uint8_t blue) {
  return 0.299f * static_cast<float>(red) + 0.587f * static_cast<float>(green) +
         0.114f * static_cast<float>(blue);
}

// The value of a 4-grey brightness; the bands meet halfway between the
// greys 0, 100, 200 and 255.
uint8_t TwoBitValue(int grey) {
  if (grey < 50) return 3;
  if (grey < 150) return 2;
  if (grey < 227) return 1;
  return 0;
}

constexpr int kTwoBitGreys[] = {255, 200, 100, 0};  // by value

// The palette grey nearest to `brightness`.
int NearestGrey(float brightness, const records::bitmap::Depth& depth) {
  const int grey = static_cast<int>(std::lround(std::clamp(brightness, 0.0f, 255.0f)));
  if (depth.bitsPerPixel == 2) return kTwoBitGreys[TwoBitValue(grey)];
  return (grey + kFourBitStep / 2) / kFourBitStep * kFourBitStep;
}

uint8_t ValueOfGrey(int grey, const records::bitmap::Depth& depth) {
  if (depth.bitsPerPixel == 2) return TwoBitValue(grey);
  return static_cast<uint8_t>(15 - grey / kFourBitStep);
}

// Hands the error of pixel (row, column) on to the pixels not yet reduced.
void Diffuse(std::vector<float>& light, int row, int column, float error) {
  auto add = [&](int r, int c, float share) {
    if (r < kSide && c >= 0 && c < kSide) light[size_t(r) * kSide + size_t(c)] += error * share;
  };
  add(row, column + 1, 7.0f / 16);
  add(row + 1, column - 1, 3.0f / 16);
  add(row + 1, column, 5.0f / 16);
  add(row + 1, column + 1, 1.0f / 16);
}

}  // namespace

std::vector<uint8_t> ReduceToGreys(std::span<const uint8_t> rgb,
                                   const records::bitmap::Depth& depth, Dithering dithering) {
  std::vector<float> light(records::bitmap::kPixelCount, 0.0f);
  for (size_t i = 0; i < light.size() && 3 * i + 2 < rgb.size(); ++i) {
    light[i] = Brightness(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
  }
  std::vector<uint8_t> values(records::bitmap::kPixelCount);
  for (int row = 0; row < kSide; ++row) {
    for (int column = 0; column < kSide; ++column) {
      const size_t i = size_t(row) * kSide + size_t(column);
      const int grey = NearestGrey(light[i], depth);
      values[i] = ValueOfGrey(grey, depth);
      if (dithering == Dithering::kErrorDiffusion) {
        Diffuse(light, row, column, light[i] - static_cast<float>(grey));
      }
    }
  }
  return values;
}

std::vector<uint8_t> ReduceToColours(Magick::Image& canvas, records::bitmap::ColourTable& colours) {
  canvas.quantizeColorSpace(Magick::sRGBColorspace);
  canvas.quantizeColors(records::bitmap::kColourCount);
  canvas.quantizeDither(true);
  canvas.quantizeDitherMethod(Magick::FloydSteinbergDitherMethod);
  canvas.quantize();
  colours = {};
  const size_t used = std::min<size_t>(canvas.colorMapSize(), records::bitmap::kColourCount);
  for (size_t i = 0; i < used; ++i) {
    const Magick::Color colour = canvas.colorMap(i);
    colours[i] = records::bitmap::Rgb{MagickCore::ScaleQuantumToChar(colour.redQuantum()),
                                      MagickCore::ScaleQuantumToChar(colour.greenQuantum()),
                                      MagickCore::ScaleQuantumToChar(colour.blueQuantum())};
  }
  canvas.getConstPixels(0, 0, kSide, kSide);
  const Magick::IndexPacket* indexes = canvas.getConstIndexes();
  std::vector<uint8_t> values(records::bitmap::kPixelCount, 0);
  if (indexes == nullptr || used == 0) return values;
  for (size_t i = 0; i < values.size(); ++i) {
    values[i] = static_cast<uint8_t>(std::min<size_t>(indexes[i], used - 1));
  }
  return values;
}

}  // namespace imaging
