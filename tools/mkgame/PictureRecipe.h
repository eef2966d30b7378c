// Picture recipes: how kobre-mkgame draws the pictures of a game.
//
//   picture NAME WIDTH HEIGHT [layers N] [opaque] [raw] [scrambled] [supplement]
//     COMMAND ...
//   end
//
// NAME is the entry name ("_MnBack1.bmp", "ri_01.psd"); a ".bmp" name is
// written as a 24-bit BMP of its first layer, any other as a layered PSD
// (4 channels with merged alpha, or 3 channels with "opaque"; PackBits
// channels unless "raw"). Each PSD layer is cropped to the rectangle of its
// visible pixels. "scrambled" stores the entry head-scrambled instead of
// "PAK "-packed; "supplement" puts it into "arc2.cg".
//
// Commands draw on every layer, or only on the layers named by a leading
// "@i", "@i-j" or "@i-" (layer numbers from 0). Numbers may depend on the
// layer f as "A+Bf" or "A-Bf" ("10+4f" is 10, 14, 18, ...). Colours are
// "#rrggbb" or "#rrggbbaa". In label texts "{f}" is the layer number and
// "{n}" the layer number plus one.
//   fill C                          whole layer
//   gradient C1 C2 [h]              whole layer, top to bottom (h: left to right)
//   box X Y W H C1 C2 [h]           gradient in a rectangle
//   rect X Y W H C                  filled rectangle
//   round X Y W H R C               filled rounded rectangle
//   frame X Y W H T C               rectangle outline of thickness T
//   ellipse X Y W H C               filled ellipse
//   ring X Y W H T C                ellipse outline
//   line X1 Y1 X2 Y2 T C
//   label X Y SIZE C TEXT...        text (IPAGothic, SIZE pixels, "24b" bold)
//   clabel X Y W H SIZE C TEXT...   text centred in a rectangle
//   grid X Y W H COLS ROWS DX DY C [SIZE TC TEXT...]
//                                   COLS x ROWS boxes DX, DY apart, each
//                                   labelled with TEXT ("{i}": its number
//                                   01, 02, ... along the rows)
//   cgrid ...                       the same, numbered down the columns
//   clear X Y W H                   make transparent
//   stars SEED COUNT C              scattered dots (the same for a seed)
//   thumb NAME X Y W H              a picture made earlier, scaled into place
//   - ...                           nothing (for variants that skip a line)
#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/mkgame/RecipeText.h"

namespace kobre::mkgame {

struct PictureSpec {
  std::string name;  // entry name, no folder
  int width = 0, height = 0, layers = 1;
  bool bmp = false;
  bool alpha = true;
  bool rle = true;
  bool scrambledStore = false;
  bool supplement = false;
  RecipeBlock block;
};

bool parsePictureSpec(const RecipeBlock& block, PictureSpec& spec, std::string& error);

// Finds the first layer of a picture drawn earlier (for "thumb").
using PictureLookup = std::function<const QImage*(const std::string& name)>;

// Draws every layer (QImage::Format_ARGB32). Needs a QGuiApplication.
bool renderPicture(const PictureSpec& spec, const PictureLookup& lookup,
                   std::vector<QImage>& layers, std::string& error);

// The file image: BMP of layer 0, or the layered PSD.
std::vector<uint8_t> encodePicture(const PictureSpec& spec, const std::vector<QImage>& layers);

}  // namespace kobre::mkgame
