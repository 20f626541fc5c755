// The cast, drawn with the kit. Five groups of three that appear together:
//   0-2   the cat band: singer, guitarist, drummer
//   3-5   forest friends: owl, frog, mushroom sprite
//   6-8   robots: boxy robot, spring-neck robot, wheel robot
//   9-11  the snowy north: penguin, snowman, polar bear cub
//   12-14 safari: elephant, hippo, monkey
// Phase 1 of each actor is the visible motion of phase 0.
#include "tools/art/cast_art.h"

#include "tools/art/kit.h"

using namespace kit;

namespace {

// ---------------------------------------------------------------- shared parts

struct CatLook {
  Tone fur;
  int belly;
  int marks;   // stripe or patch colour, -1 for none
  bool patch;  // a patch over one eye instead of tabby stripes
};

// A cat's head centred at (cx, cy) with size r. mouth: 0 smile, 1 small "o", 2 wide open.
void CatHead(cairo_t* cr, double cx, double cy, double r, const CatLook& look, bool eyesClosed,
             int mouth, double lookX = 0, double lookY = 0) {
  for (int side : {-1, 1}) {
    const auto ear = Smooth({{cx + side * r * 1.0, cy - r * 0.1},
                             {cx + side * r * 0.86, cy - r * 1.22},
                             {cx + side * r * 0.16, cy - r * 0.8}});
    Blob(cr, ear, look.fur, 4);
    Fill(cr,
         Smooth({{cx + side * r * 0.82, cy - r * 0.3},
                 {cx + side * r * 0.8, cy - r * 1.0},
                 {cx + side * r * 0.36, cy - r * 0.72}}),
         HueIndex(kPink, 10));
  }
  const auto head = Ellipse(cx, cy, r * 1.1, r * 0.92);
  Blob(cr, head, look.fur, r * 0.16);
  if (look.marks >= 0) {
    cairo_save(cr);
    head(cr);
    cairo_clip(cr);
    if (look.patch) {
      Fill(cr, Ellipse(cx + r * 0.55, cy - r * 0.45, r * 0.6, r * 0.55), look.marks);
    } else {
      for (int k = -1; k <= 1; ++k)
        Limb(cr, {{cx + k * r * 0.28, cy - r * 0.95}, {cx + k * r * 0.22, cy - r * 0.6}}, r * 0.07,
             look.marks, 0);
      for (int side : {-1, 1})
        Limb(cr, {{cx + side * r * 1.15, cy + r * 0.05}, {cx + side * r * 0.85, cy + r * 0.1}},
             r * 0.06, look.marks, 0);
    }
    cairo_restore(cr);
    Stroke(cr, head, Ink());
  }
  Fill(cr, Ellipse(cx, cy + r * 0.42, r * 0.5, r * 0.34), look.belly);  // muzzle
  Shine(cr, cx - r * 0.55, cy - r * 0.5, r * 0.22, r * 0.1, look.fur.light);
  for (int side : {-1, 1}) {
    Eye(cr, cx + side * r * 0.44, cy - r * 0.02, r * 0.2, r * 0.27, eyesClosed, lookX, lookY,
        HueIndex(kGreen, 8));
    Blush(cr, cx + side * r * 0.68, cy + r * 0.36, r * 0.16, r * 0.1);
    Line(cr, {{cx + side * r * 0.55, cy + r * 0.52}, {cx + side * r * 0.9, cy + r * 0.58}}, 2.5);
  }
  const double ny = cy + r * 0.26;
  Fill(cr, Smooth({{cx - r * 0.12, ny}, {cx + r * 0.12, ny}, {cx, ny + r * 0.12}}),
       HueIndex(kPink, 7));
  if (mouth == 0) {
    Arc(cr, cx - r * 0.1, ny + r * 0.14, r * 0.1, 0.1, kPi - 0.1, 3);
    Arc(cr, cx + r * 0.1, ny + r * 0.14, r * 0.1, 0.1, kPi - 0.1, 3);
  } else {
    const double mr = mouth == 1 ? r * 0.13 : r * 0.22;
    const auto m = Ellipse(cx, ny + r * 0.2 + mr, mr * (mouth == 1 ? 0.9 : 1.1), mr);
    Fill(cr, m, HueIndex(kRed, 3));
    Fill(cr, Ellipse(cx, ny + r * 0.2 + mr * 1.5, mr * 0.6, mr * 0.4), HueIndex(kPink, 8));
    Stroke(cr, m, Ink(), 3);
  }
}

void Paw(cairo_t* cr, double x, double y, double r, const Tone& t) {
  Blob(cr, Circle(x, y, r), t, 2.5, 3.5);
}

// The band's uniform: a red bow tie under the chin.
void BowTie(cairo_t* cr, double x, double y) {
  const Tone red = T(kRed);
  for (int side : {-1, 1})
    Blob(cr,
         Smooth({{x, y}, {x + side * 16, y - 10}, {x + side * 18, y + 1}, {x + side * 15, y + 10}}),
         red, 3, 3.5);
  Blob(cr, Circle(x, y, 5.5), T(kRed, 7), 0, 3.5);
  for (int side : {-1, 1}) Fill(cr, Circle(x + side * 11, y - 1, 2), HueIndex(kRed, 13));
}

// A cat's standing body: tail first, then feet, body and belly.
void CatBody(cairo_t* cr, double cx, double ground, const CatLook& look,
             const std::vector<Pt>& tail) {
  Limb(cr, tail, 8, look.fur.base);
  const Pt tip = tail.back();
  Fill(cr, Circle(tip.first, tip.second, 5.5), look.fur.light);
  for (int side : {-1, 1}) Blob(cr, Ellipse(cx + side * 17, ground - 9, 17, 9), look.fur, 3);
  Blob(cr, Ellipse(cx, ground - 60, 35, 54), look.fur, 8);
  Fill(cr, Ellipse(cx - 2, ground - 50, 21, 34), look.belly);
}

// ---------------------------------------------------------------- 0-2: the cat band

void Singer(cairo_t* cr, int phase, int w, int h) {
  const CatLook look{T(kOrange), HueIndex(kTan, 12), HueIndex(kOrange, 5), false};
  const double cx = w / 2.0, g = h - 3;
  if (phase == kPortrait) {
    // Bolder eyes than in the frames so they still read at 32 x 32.
    CatHead(cr, cx, 74, 42, look, false, 0);
    for (int side : {-1, 1}) {
      Fill(cr, Ellipse(cx + side * 19, 72, 10, 13), Ink());
      Fill(cr, Circle(cx + side * 19 - 3, 67, 4.5), GreyIndex(kGreyCount - 1));
    }
    return;
  }
  const auto tail = phase == 0 ? Curve({80, g - 22}, {118, g - 18}, {108, g - 66})
                               : Curve({40, g - 22}, {2, g - 18}, {12, g - 66});
  CatBody(cr, cx, g, look, tail);
  // Free arm: down at the side, then thrown up in the air.
  if (phase == 0) {
    Limb(cr, {{cx + 26, g - 92}, {cx + 40, g - 66}, {cx + 36, g - 50}}, 9, look.fur.base);
    Paw(cr, cx + 36, g - 48, 9, look.fur);
  } else {
    Limb(cr, {{cx + 26, g - 94}, {cx + 44, g - 124}, {cx + 46, g - 160}}, 9, look.fur.base);
    Paw(cr, cx + 46, g - 162, 9, look.fur);
  }
  CatHead(cr, cx, 74, 42, look, phase == 1, phase == 0 ? 1 : 2, phase == 0 ? -0.4 : 0, -0.5);
  BowTie(cr, cx, 114);
  // Microphone held up to the chin.
  Limb(cr, {{cx - 30, g - 68}, {cx - 26, g - 100}}, 4, GreyIndex(7));
  const auto mic = Circle(cx - 25, g - 110, 11);
  Blob(cr, mic, GreyTone(22), 3.5);
  for (int k = -1; k <= 1; ++k)
    Line(cr, {{cx - 32, g - 110 + k * 5}, {cx - 18, g - 110 + k * 5}}, 1.5, GreyIndex(12));
  Limb(cr, {{cx - 24, g - 92}, {cx - 38, g - 76}, {cx - 28, g - 80}}, 9, look.fur.base);
  Paw(cr, cx - 28, g - 82, 9, look.fur);
}

void Guitarist(cairo_t* cr, int phase, int w, int h) {
  (void)w;
  const CatLook look{T(kSteel, 10), GreyIndex(26), -1, false};
  const double cx = 62, g = h - 3;
  const auto tail = phase == 0 ? Curve({36, g - 22}, {0, g - 18}, {10, g - 64})
                               : Curve({36, g - 22}, {4, g - 34}, {14, g - 78});
  CatBody(cr, cx, g, look, tail);
  // Fretting arm reaches out to the neck.
  Limb(cr, {{cx + 24, g - 96}, {cx + 42, g - 82}, {cx + 50, g - 96}}, 9, look.fur.base);
  Turned(cr, cx, 118, phase == 0 ? 0 : 0.14,
         [&] { CatHead(cr, cx, 74, 42, look, phase == 1, phase == 0 ? 0 : 1, 0.6, 0.2); });
  BowTie(cr, cx, 114);
  // Guitar across the body, neck up to the right.
  Turned(cr, cx + 2, g - 56, -0.5, [&] {
    const double gx = cx + 2, gy = g - 56;
    Blob(cr, RoundRect(gx, gy - 7, 76, 14, 4), T(kBrown), 3);
    Blob(cr, RoundRect(gx + 70, gy - 11, 20, 22, 6), T(kBrown, 6), 3);
    for (int k = -1; k <= 1; k += 2) Fill(cr, Circle(gx + 80, gy + k * 7, 2.5), GreyIndex(26));
    const auto bodyShape = Smooth({{gx - 38, gy - 24},
                                   {gx - 8, gy - 22},
                                   {gx + 4, gy - 16},
                                   {gx + 18, gy - 18},
                                   {gx + 28, gy},
                                   {gx + 18, gy + 18},
                                   {gx + 4, gy + 16},
                                   {gx - 8, gy + 22},
                                   {gx - 38, gy + 24},
                                   {gx - 48, gy}});
    Blob(cr, bodyShape, T(kRed), 6);
    Fill(cr, Circle(gx - 6, gy, 9), HueIndex(kRed, 2));
    Fill(cr, RoundRect(gx - 34, gy - 9, 7, 18, 2), GreyIndex(22));
    for (int k = -1; k <= 1; ++k)
      Line(cr, {{gx - 30, gy + k * 4}, {gx + 78, gy + k * 3}}, 1.2, GreyIndex(24));
    Shine(cr, gx - 30, gy - 13, 10, 4, HueIndex(kRed, 12), 0.0);
  });
  Paw(cr, cx + 50, g - 96, 9, look.fur);
  // Strumming arm: on the strings, then swept down.
  if (phase == 0) {
    Limb(cr, {{cx - 24, g - 92}, {cx - 26, g - 62}, {cx - 6, g - 62}}, 9, look.fur.base);
    Paw(cr, cx - 6, g - 62, 9, look.fur);
  } else {
    Limb(cr, {{cx - 24, g - 92}, {cx - 30, g - 54}, {cx - 12, g - 36}}, 9, look.fur.base);
    Paw(cr, cx - 12, g - 36, 9, look.fur);
  }
}

void Drummer(cairo_t* cr, int phase, int w, int h) {
  const CatLook look{White(), GreyIndex(28), HueIndex(kBrown, 8), true};
  const double cx = w / 2.0, g = h - 3;
  // Cymbal on its stand at the left, snare drum at the right.
  Limb(cr, {{22, g}, {22, 112}}, 3, GreyIndex(18), 3);
  Limb(cr, {{8, g}, {22, g - 26}, {36, g}}, 2.5, GreyIndex(18), 3);
  Turned(cr, 22, 108, phase == 0 ? 0 : 0.32, [&] {
    Blob(cr, Ellipse(22, 108, 20, 6), T(kYellow), 2.5, 3.5);
    Fill(cr, Circle(22, 106, 3), HueIndex(kYellow, 5));
  });
  Limb(cr, {{162, g}, {162, 150}}, 3, GreyIndex(18), 3);
  Limb(cr, {{150, g}, {162, g - 22}, {174, g}}, 2.5, GreyIndex(18), 3);
  // The cat behind the drums.
  Blob(cr, Ellipse(cx, 136, 40, 40), look.fur, 7);
  CatHead(cr, cx, 62, 40, look, phase == 1, phase == 0 ? 0 : 2, 0, -0.3);
  BowTie(cr, cx, 102);
  Blob(cr, RoundRect(142, 128, 40, 22, 6), T(kRed), 4);
  Blob(cr, Ellipse(162, 128, 20, 6), White(), 2, 3);
  // Bass drum in front.
  const double dy = 168, dr = 50;
  Blob(cr, Circle(cx, dy, dr), T(kBlue), 8);
  Blob(cr, Circle(cx, dy, dr - 9), White(), 5, 3);
  // Paw print on the drum head.
  const int pad = HueIndex(kPink, 8);
  Fill(cr, Ellipse(cx, dy + 8, 14, 11), pad);
  for (int k = 0; k < 4; ++k)
    Fill(cr, Circle(cx - 15 + k * 10, dy - 8 - (k == 1 || k == 2 ? 6 : 0), 5.5), pad);
  for (int side : {-1, 1})
    Limb(cr, {{cx + side * 34, g - 12}, {cx + side * 46, g}}, 3, GreyIndex(18), 3);
  // Arms and sticks: raised, then striking cymbal and snare.
  const int stick = HueIndex(kTan, 10);
  if (phase == 0) {
    Limb(cr, {{cx - 30, 124}, {cx - 46, 98}, {cx - 50, 76}}, 9, look.fur.base);
    Limb(cr, {{cx - 50, 74}, {cx - 66, 36}}, 3.5, stick);
    Paw(cr, cx - 50, 76, 9, look.fur);
    Limb(cr, {{cx + 30, 124}, {cx + 46, 98}, {cx + 50, 76}}, 9, look.fur.base);
    Limb(cr, {{cx + 50, 74}, {cx + 70, 40}}, 3.5, stick);
    Paw(cr, cx + 50, 76, 9, look.fur);
  } else {
    Limb(cr, {{cx - 30, 124}, {cx - 50, 120}, {cx - 56, 114}}, 9, look.fur.base);
    Limb(cr, {{cx - 56, 114}, {cx - 74, 100}}, 3.5, stick);
    Paw(cr, cx - 56, 114, 9, look.fur);
    Limb(cr, {{cx + 30, 124}, {cx + 48, 128}, {cx + 54, 124}}, 9, look.fur.base);
    Limb(cr, {{cx + 54, 124}, {cx + 74, 122}}, 3.5, stick);
    Paw(cr, cx + 54, 124, 9, look.fur);
    // Crash lines by the cymbal.
    for (int k = 0; k < 3; ++k)
      Line(cr,
           {{6.0 + k * 12, 92.0 - k * 2 - (k == 1 ? 6 : 0)},
            {2.0 + k * 14, 80.0 - k * 2 - (k == 1 ? 6 : 0)}},
           3, HueIndex(kYellow, 11));
  }
}

// ---------------------------------------------------------------- 3-5: forest friends

void Owl(cairo_t* cr, int phase, int w, int h) {
  const double cx = w / 2.0, g = h - 3;
  const Tone fur = T(kBrown);
  // Branch to perch on.
  Blob(cr, RoundRect(4, g - 16, w - 8, 16, 8), T(kBrown, 6), 4);
  Blob(cr, Smooth({{w - 30.0, g - 16}, {w - 14.0, g - 34}, {w - 6.0, g - 20}}), T(kGreen), 3, 3);
  // Wings: folded at the sides, then thrown up over the shoulders.
  for (int side : {-1, 1}) {
    const double px = cx + side * 42, py = g - 104;
    Turned(cr, px, py, phase == 0 ? 0 : -side * (kPi - 0.5),
           [&] { Blob(cr, Ellipse(px + side * 5, py + 30, 14, 32), T(kBrown, 6), 4); });
  }
  const auto body = Smooth({{cx, 28},
                            {cx + 46, 50},
                            {cx + 52, 120},
                            {cx + 30, g - 14},
                            {cx - 30, g - 14},
                            {cx - 52, 120},
                            {cx - 46, 50}});
  for (int side : {-1, 1})
    Blob(cr, Smooth({{cx + side * 20, 40}, {cx + side * 48, 12}, {cx + side * 44, 52}}), fur, 3);
  Blob(cr, body, fur, 9);
  const auto belly = Ellipse(cx, 132, 32, 36);
  Fill(cr, belly, HueIndex(kTan, 11));
  // Feather scallops on the belly.
  for (int row = 0; row < 3; ++row)
    for (int k = -1; k <= 1; ++k)
      Arc(cr, cx + k * 15 + (row % 2) * 7 - 3, 114 + row * 16, 6, 0.3, kPi - 0.3, 3,
          HueIndex(kBrown, 6));
  for (int side : {-1, 1}) {
    Blob(cr, Circle(cx + side * 23, 80, 23), T(kTan, 12), 3, 3.5);
    Eye(cr, cx + side * 23, 80, 16, 16, phase == 1, 0, 0, HueIndex(kOrange, 9));
  }
  Blob(cr, Smooth({{cx - 8, 96}, {cx + 8, 96}, {cx, 112}}), T(kYellow), 2, 3);
  // Feet gripping the branch.
  for (int side : {-1, 1})
    for (int k = -1; k <= 1; ++k)
      Blob(cr, Ellipse(cx + side * 18 + k * 7, g - 16, 4.5, 7), T(kOrange), 0, 3);
}

void Frog(cairo_t* cr, int phase, int w, int h) {
  const double cx = w / 2.0, g = h - 3;
  const Tone skin = T(kGreen);
  const double lift = phase == 0 ? 0 : 18;
  // Back legs: folded at the sides, then stretched to the ground as the frog hops.
  for (int side : {-1, 1}) {
    if (phase == 0) {
      Blob(cr, Ellipse(cx + side * 50, g - 30, 24, 22), skin, 5);
    } else {
      Limb(cr,
           {{cx + side * 40, g - 40 - lift}, {cx + side * 58, g - 30}, {cx + side * 50, g - 10}},
           12, skin.base);
    }
    Blob(cr, Ellipse(cx + side * 56, g - 6, 18, 6), skin, 2, 3.5);
  }
  Blob(cr, Ellipse(cx, g - 52 - lift, 46, 40), skin, 7);
  Fill(cr, Ellipse(cx, g - 44 - lift, 30, 28), HueIndex(kLime, 12));
  // Front arms: down, then up in the air.
  for (int side : {-1, 1}) {
    if (phase == 0) {
      Limb(cr, {{cx + side * 28, g - 62}, {cx + side * 26, g - 10}}, 7, skin.base);
      Blob(cr, Ellipse(cx + side * 26, g - 7, 11, 5), skin, 2, 3.5);
    } else {
      Limb(cr,
           {{cx + side * 34, g - 66 - lift},
            {cx + side * 60, g - 96 - lift},
            {cx + side * 66, g - 122 - lift}},
           7, skin.base);
      Blob(cr, Circle(cx + side * 66, g - 124 - lift, 8), skin, 2, 3.5);
    }
  }
  const double hy = 86 - lift;
  for (int side : {-1, 1}) Blob(cr, Circle(cx + side * 34, hy - 38, 22), skin, 4);
  Blob(cr, Ellipse(cx, hy, 62, 38), skin, 7);
  Shine(cr, cx - 34, hy - 22, 14, 6, skin.light);
  for (int side : {-1, 1}) {
    Eye(cr, cx + side * 34, hy - 40, 14, 15, false, phase == 0 ? 0 : side * -0.5,
        phase == 0 ? 0 : -0.7);
    Blush(cr, cx + side * 40, hy + 10, 9, 5);
    Fill(cr, Circle(cx + side * 6, hy - 8, 2.5), HueIndex(kGreen, 3));
  }
  if (phase == 0) {
    Arc(cr, cx, hy - 6, 30, 0.45, kPi - 0.45, 4);
  } else {
    const auto m = Smooth({{cx - 28, hy + 6}, {cx + 28, hy + 6}, {cx, hy + 28}});
    Fill(cr, m, HueIndex(kRed, 3));
    Fill(cr, Ellipse(cx, hy + 20, 10, 5), HueIndex(kPink, 8));
    Stroke(cr, m, Ink(), 3.5);
  }
}

void Mushroom(cairo_t* cr, int phase, int w, int h) {
  const double cx = w / 2.0, g = h - 3;
  Turned(cr, cx, g, phase == 0 ? 0 : 0.09, [&] {
    // Feet and arms.
    for (int side : {-1, 1}) Blob(cr, Ellipse(cx + side * 14, g - 8, 14, 8), T(kBrown, 7), 2, 3.5);
    const Tone stem = T(kTan, 12);
    // Arms: down at the sides, then flung out in a little dance.
    for (int side : {-1, 1}) {
      const Pt hand = phase == 0 ? Pt{cx + side * 38, g - 34} : Pt{cx + side * 46, g - 72};
      Limb(cr, {{cx + side * 22, g - 56}, hand}, 6.5, stem.base);
      Blob(cr, Circle(hand.first, hand.second, 7.5), T(kTan, 9), 2, 3.5);
    }
    Blob(cr,
         Smooth({{cx - 26, g - 90},
                 {cx + 26, g - 90},
                 {cx + 32, g - 40},
                 {cx + 24, g - 10},
                 {cx - 24, g - 10},
                 {cx - 32, g - 40}}),
         stem, 6);
    const double fy = g - 56;
    for (int side : {-1, 1}) {
      Eye(cr, cx + side * 12, fy, 7, 9, phase == 1, 0, 0.2);
      Blush(cr, cx + side * 21, fy + 11, 6, 4);
    }
    if (phase == 0)
      Arc(cr, cx, fy + 8, 7, 0.3, kPi - 0.3, 3);
    else
      Fill(cr, Ellipse(cx, fy + 15, 6, 5), HueIndex(kRed, 3));
    // The cap with its white spots.
    const auto cap = Smooth({{cx - 50, g - 92},
                             {cx - 40, g - 136},
                             {cx, g - 162},
                             {cx + 40, g - 136},
                             {cx + 50, g - 92},
                             {cx, g - 84}});
    Blob(cr, cap, T(kRed), 9);
    cairo_save(cr);
    cap(cr);
    cairo_clip(cr);
    Fill(cr, Ellipse(cx - 6, g - 136, 13, 11), GreyIndex(28));
    Fill(cr, Ellipse(cx - 34, g - 108, 10, 9), GreyIndex(28));
    Fill(cr, Ellipse(cx + 28, g - 118, 11, 10), GreyIndex(28));
    Fill(cr, Ellipse(cx + 14, g - 96, 8, 6), GreyIndex(28));
    Fill(cr, Ellipse(cx - 24, g - 150, 7, 5), GreyIndex(28));
    cairo_restore(cr);
    Stroke(cr, cap, Ink());
  });
}

// ---------------------------------------------------------------- 6-8: robots

void BoxRobot(cairo_t* cr, int phase, int w, int h) {
  const double cx = w / 2.0, g = h - 3;
  const Tone metal = T(kSteel, 11);
  // Legs and feet.
  for (int side : {-1, 1}) {
    Blob(cr, RoundRect(cx + side * 22 - 9, g - 46, 18, 36, 4), GreyTone(14), 3, 3.5);
    Blob(cr, RoundRect(cx + side * 22 - 16, g - 16, 32, 16, 6), T(kSteel, 6), 3, 3.5);
  }
  // Arms: both down, then one waving.
  Limb(cr, {{cx - 44, g - 124}, {cx - 60, g - 96}, {cx - 60, g - 70}}, 7, GreyIndex(14));
  Blob(cr, Circle(cx - 60, g - 66, 11), T(kRed), 3, 3.5);
  if (phase == 0) {
    Limb(cr, {{cx + 44, g - 124}, {cx + 60, g - 96}, {cx + 60, g - 70}}, 7, GreyIndex(14));
    Blob(cr, Circle(cx + 60, g - 66, 11), T(kRed), 3, 3.5);
  } else {
    Limb(cr, {{cx + 44, g - 124}, {cx + 66, g - 140}, {cx + 70, g - 170}}, 7, GreyIndex(14));
    Blob(cr, Circle(cx + 70, g - 174, 11), T(kRed), 3, 3.5);
  }
  const auto body = RoundRect(cx - 46, g - 132, 92, 90, 12);
  Blob(cr, body, metal, 8);
  Blob(cr, RoundRect(cx - 30, g - 116, 60, 40, 6), GreyTone(5), 0, 3);
  const int lamp[3] = {HueIndex(kRed, 10), HueIndex(kYellow, 10), HueIndex(kGreen, 10)};
  for (int k = 0; k < 3; ++k) {
    const bool lit = (phase == 0) ? k != 1 : k == 1;
    Fill(cr, Circle(cx - 18 + k * 18, g - 96, 7), lit ? lamp[k] : lamp[k] - 6);
  }
  Fill(cr, RoundRect(cx - 30, g - 70, 60, 8, 3), GreyIndex(20));
  // Head with antenna.
  const double hy = 16;
  Line(cr, {{cx, hy + 10}, {cx, hy - 2}}, 5, GreyIndex(16));
  Blob(cr, Circle(cx, hy - 2, phase == 0 ? 7 : 9), phase == 0 ? T(kRed) : T(kYellow, 10), 2, 3);
  for (int side : {-1, 1})
    Blob(cr, RoundRect(cx + side * 44 - 6, hy + 22, 12, 24, 4), T(kRed), 2, 3.5);
  Blob(cr, RoundRect(cx - 42, hy + 6, 84, 60, 12), metal, 7);
  Blob(cr, RoundRect(cx - 32, hy + 16, 64, 38, 8), GreyTone(4), 0, 3);
  const int glow = HueIndex(kSky, 12);
  if (phase == 0) {
    for (int side : {-1, 1}) Fill(cr, RoundRect(cx + side * 14 - 6, hy + 24, 12, 14, 4), glow);
  } else {
    for (int side : {-1, 1}) Arc(cr, cx + side * 14, hy + 34, 7, kPi * 1.1, kPi * 1.9, 4.5, glow);
  }
  Arc(cr, cx, hy + 38, 10, 0.4, kPi - 0.4, 3.5, glow);
}

void SpringRobot(cairo_t* cr, int phase, int w, int h) {
  const double cx = w / 2.0, g = h - 3;
  const Tone shell = T(kTeal);
  // Feet and legs.
  for (int side : {-1, 1}) {
    Blob(cr, RoundRect(cx + side * 20 - 7, g - 44, 14, 32, 4), GreyTone(13), 2, 3.5);
    Blob(cr, Ellipse(cx + side * 22, g - 10, 20, 10), T(kTeal, 6), 3, 3.5);
  }
  // Arms hanging at the sides, flung up as the head springs.
  const double top = g - 104;
  for (int side : {-1, 1}) {
    const double ex = cx + side * (phase == 0 ? 46 : 54), ey = phase == 0 ? g - 54 : g - 110;
    Limb(cr, {{cx + side * 30, top + 18}, {ex, ey}}, 6, GreyIndex(14));
    Blob(cr, Circle(ex, ey, 10), T(kYellow), 2, 3.5);
  }
  Blob(cr, RoundRect(cx - 38, top, 76, 66, 24), shell, 8);
  Blob(cr, Circle(cx, top + 34, 18), GreyTone(5), 0, 3);
  // A heart on the chest screen: dim, then lit.
  const int heart = phase == 0 ? HueIndex(kPink, 5) : HueIndex(kPink, 10);
  const double hy0 = top + 30;
  Fill(cr,
       Smooth({{cx, hy0},
               {cx + 8, hy0 - 10},
               {cx + 12, hy0 + 2},
               {cx, hy0 + 16},
               {cx - 12, hy0 + 2},
               {cx - 8, hy0 - 10}}),
       heart);
  // Neck spring, stretched when the head pops up.
  const double neck = phase == 0 ? 10 : 28;
  const int coils = phase == 0 ? 3 : 6;
  for (int k = 0; k < coils; ++k) {
    const double y = top - 2 - k * neck / coils;
    Line(cr, {{cx - 10, y}, {cx + 10, y - 3}}, 4, GreyIndex(18));
  }
  const double hy = top - neck - 26;
  for (int side : {-1, 1}) {
    Line(cr, {{cx + side * 18, hy - 20}, {cx + side * 24, hy - 32}}, 4, GreyIndex(16));
    Blob(cr, Circle(cx + side * 24, hy - 34, 6), T(kMagenta), 2, 3);
    Blob(cr, Circle(cx + side * 34, hy, 8), T(kMagenta), 2, 3.5);
  }
  Blob(cr, Circle(cx, hy, 32), shell, 7);
  Blob(cr, RoundRect(cx - 24, hy - 14, 48, 30, 12), GreyTone(4), 0, 3);
  for (int side : {-1, 1}) {
    const double ex = cx + side * 10, ey = hy + 1;
    if (phase == 0) {
      Fill(cr, Circle(ex, ey, 7), HueIndex(kYellow, 11));
      Fill(cr, Circle(ex - 2, ey - 2, 2.2), GreyIndex(28));
    } else {
      Fill(cr,
           Smooth({{ex, ey - 3},
                   {ex + 4, ey - 8},
                   {ex + 8, ey - 2},
                   {ex, ey + 7},
                   {ex - 8, ey - 2},
                   {ex - 4, ey - 8}}),
           HueIndex(kPink, 10));
    }
  }
  Shine(cr, cx - 17, hy - 20, 7, 3.5, shell.light);
}

void WheelRobot(cairo_t* cr, int phase, int w, int h) {
  const double cx = w / 2.0, g = h - 3;
  const double wy = g - 20;
  Blob(cr, Circle(cx, wy, 18), GreyTone(8), 3, 4);
  Fill(cr, Circle(cx, wy, 7), GreyIndex(18));
  Blob(cr, RoundRect(cx - 10, wy - 30, 20, 20, 4), GreyTone(14), 2, 3.5);
  Turned(cr, cx, wy, phase == 0 ? 0 : 0.1, [&] {
    const double by = g - 92;
    // Arms: down at the sides, then both up.
    for (int side : {-1, 1}) {
      const Pt hand = phase == 0 ? Pt{cx + side * 64, by + 38} : Pt{cx + side * 52, by - 58};
      Limb(cr, {{cx + side * 50, by + 4}, hand}, 5, GreyIndex(14));
      Blob(cr, Circle(hand.first, hand.second, 9), T(kRed), 2, 3.5);
    }
    const Tone shell = T(kYellow);
    Blob(cr, Circle(cx, by, 54), shell, 10);
    Shine(cr, cx - 30, by - 36, 14, 7, shell.light);
    Blob(cr, RoundRect(cx - 42, by - 24, 84, 42, 21), GreyTone(4), 0, 3.5);
    if (phase == 0) {
      Fill(cr, Circle(cx, by - 3, 15), HueIndex(kSky, 10));
      Fill(cr, Circle(cx, by - 3, 7), HueIndex(kBlue, 4));
      Fill(cr, Circle(cx - 5, by - 8, 4), GreyIndex(28));
    } else {
      Arc(cr, cx, by + 6, 14, kPi * 1.1, kPi * 1.9, 6, HueIndex(kSky, 10));
    }
    Fill(cr, RoundRect(cx - 20, by + 30, 40, 8, 4), HueIndex(kOrange, 7));
    for (int side : {-1, 1}) Blob(cr, Circle(cx + side * 54, by, 8), T(kOrange), 2, 3);
  });
}

// ---------------------------------------------------------------- 9-11: the snowy north

void Penguin(cairo_t* cr, int phase, int w, int h) {
  const double cx = w / 2.0, g = h - 3;
  const Tone coat = {HueIndex(kBlue, 8), HueIndex(kBlue, 5), HueIndex(kBlue, 11)};
  for (int side : {-1, 1}) Blob(cr, Ellipse(cx + side * 14, g - 7, 15, 7), T(kOrange), 2, 3.5);
  // Flippers: against the body, then flapped out as the penguin hops.
  for (int side : {-1, 1}) {
    Turned(cr, cx + side * 24, 92, phase == 0 ? -side * 0.03 : -side * 0.24,
           [&] { Blob(cr, Ellipse(cx + side * 30, 116, 7, 24), coat, 3); });
  }
  cairo_save(cr);
  if (phase == 1) cairo_translate(cr, 0, -6);
  const auto body = Smooth({{cx, 18},
                            {cx + 26, 38},
                            {cx + 31, 110},
                            {cx + 28, g - 18},
                            {cx, g - 8},
                            {cx - 28, g - 18},
                            {cx - 31, 110},
                            {cx - 26, 38}});
  Blob(cr, body, coat, 8);
  Fill(cr,
       Smooth({{cx - 15, 52},
               {cx, 60},
               {cx + 15, 52},
               {cx + 22, 110},
               {cx + 17, g - 22},
               {cx - 17, g - 22},
               {cx - 22, 110}}),
       GreyIndex(27));
  Shine(cr, cx - 16, 34, 8, 4, coat.light);
  for (int side : {-1, 1}) {
    Eye(cr, cx + side * 12, 46, 7, 8, phase == 1, 0, 0);
    Blush(cr, cx + side * 20, 60, 5, 3.5);
  }
  if (phase == 0) {
    Blob(cr, Smooth({{cx - 9, 56}, {cx + 9, 56}, {cx, 68}}), T(kOrange), 2, 3);
  } else {
    Blob(cr, Smooth({{cx - 10, 52}, {cx + 10, 52}, {cx, 60}}), T(kOrange), 1, 3);
    Blob(cr, Smooth({{cx - 8, 64}, {cx + 8, 64}, {cx, 72}}), T(kOrange), 1, 3);
    Fill(cr, Ellipse(cx, 62, 5, 3), HueIndex(kRed, 3));
  }
  // Red scarf.
  Blob(cr, RoundRect(cx - 28, 76, 56, 14, 6), T(kRed), 3, 3.5);
  Blob(cr, RoundRect(cx + 10, 84, 14, phase == 0 ? 34 : 30, 4), T(kRed), 3, 3.5);
  for (int k = 0; k < 3; ++k)
    Line(cr, {{cx - 16 + k * 16, 78}, {cx - 16 + k * 16, 88}}, 3, HueIndex(kRed, 12));
  cairo_restore(cr);
}

void Snowman(cairo_t* cr, int phase, int w, int h) {
  const double cx = w / 2.0, g = h - 3;
  const Tone snow = {GreyIndex(28), HueIndex(kSky, 12), GreyIndex(28)};
  const int twig = HueIndex(kBrown, 7);
  // Stick arms: one low, the other low then waving high.
  Line(cr, {{cx - 30, 112}, {cx - 52, 96}, {cx - 56, 82}}, 5, twig);
  Line(cr, {{cx - 52, 96}, {cx - 58, 100}}, 4, twig);
  if (phase == 0) {
    Line(cr, {{cx + 30, 112}, {cx + 52, 128}, {cx + 56, 140}}, 5, twig);
    Line(cr, {{cx + 50, 127}, {cx + 58, 122}}, 4, twig);
  } else {
    Line(cr, {{cx + 30, 108}, {cx + 50, 84}, {cx + 54, 62}}, 5, twig);
    Line(cr, {{cx + 48, 87}, {cx + 57, 82}}, 4, twig);
  }
  Blob(cr, Circle(cx, g - 46, 45), snow, 9);
  Blob(cr, Circle(cx, 92, 36), snow, 8);
  for (int k = 0; k < 3; ++k) Fill(cr, Circle(cx, g - 72 + k * 20, 4.5), GreyIndex(4));
  // Face.
  for (int side : {-1, 1}) {
    Fill(cr, Circle(cx + side * 12, 82, 5.5), GreyIndex(2));
    Fill(cr, Circle(cx + side * 12 - 1.5, 80.5, 1.8), GreyIndex(28));
    Blush(cr, cx + side * 22, 96, 6, 4);
  }
  Blob(cr, Smooth({{cx - 3, 88}, {cx + 24, 96}, {cx - 3, 98}}), T(kOrange), 2, 3);
  for (int k = -2; k <= 2; ++k)
    Fill(cr, Circle(cx + k * 6, 108 - (k * k == 4 ? 3 : 0), 2.5), GreyIndex(4));
  // Green scarf.
  Blob(cr, RoundRect(cx - 34, 118, 68, 14, 6), T(kGreen), 3, 3.5);
  Blob(cr, RoundRect(cx - 26, 124, 14, 32, 4), T(kGreen), 3, 3.5);
  // Hat: sitting on the head, then tipped up.
  Turned(cr, cx, 56, phase == 0 ? 0 : -0.3, [&] {
    const double hy = phase == 0 ? 0 : -10;
    Blob(cr, RoundRect(cx - 36, 52 + hy, 72, 11, 5), GreyTone(7), 2, 3.5);
    Blob(cr, RoundRect(cx - 24, 14 + hy, 48, 42, 5), GreyTone(7), 4, 3.5);
    Fill(cr, RoundRect(cx - 22, 40 + hy, 44, 8, 1), HueIndex(kRed, 9));
  });
}

void PolarBear(cairo_t* cr, int phase, int w, int h) {
  const double cx = w / 2.0, g = h - 3;
  const Tone fur = {GreyIndex(27), HueIndex(kSky, 11), GreyIndex(28)};
  for (int side : {-1, 1}) Blob(cr, Ellipse(cx + side * 24, g - 12, 20, 12), fur, 3);
  Blob(cr, Ellipse(cx, g - 58, 46, 50), fur, 9);
  Fill(cr, Ellipse(cx, g - 52, 28, 32), HueIndex(kSky, 13));
  // Left paw holds a fish; the right paw rests, then waves.
  // The fish hangs by its tail from the paw, head down.
  const double fx = cx - 46, fy = g - 70;
  const auto fish = Smooth({{fx, fy + 4},
                            {fx + 12, fy + 24},
                            {fx + 10, fy + 44},
                            {fx, fy + 56},
                            {fx - 10, fy + 44},
                            {fx - 12, fy + 24}});
  Blob(cr, fish, T(kSky), 4, 3.5);
  Fill(cr, Ellipse(fx + 3, fy + 30, 4, 13), HueIndex(kSky, 12));
  Fill(cr, Circle(fx - 4, fy + 44, 3), Ink());
  Line(cr, {{fx - 2, fy + 54}, {fx + 4, fy + 50}}, 2.5);
  Limb(cr, {{cx - 34, g - 92}, {cx - 46, g - 84}, {fx + 2, fy + 6}}, 11, fur.base);
  Blob(cr, Smooth({{fx, fy + 2}, {fx - 14, fy - 24}, {fx, fy - 16}, {fx + 14, fy - 24}}),
       T(kSky, 7), 2, 3.5);
  Paw(cr, fx + 2, fy + 8, 10, fur);
  if (phase == 0) {
    Limb(cr, {{cx + 36, g - 90}, {cx + 50, g - 66}, {cx + 40, g - 44}}, 11, fur.base);
    Paw(cr, cx + 40, g - 44, 11, fur);
  } else {
    Limb(cr, {{cx + 36, g - 92}, {cx + 52, g - 116}, {cx + 50, g - 144}}, 11, fur.base);
    Paw(cr, cx + 50, g - 146, 12, fur);
    Fill(cr, Ellipse(cx + 50, g - 144, 6, 5), HueIndex(kPink, 9));
  }
  // Head.
  const double hy = 62;
  for (int side : {-1, 1}) {
    Blob(cr, Circle(cx + side * 32, hy - 30, 14), fur, 3);
    Fill(cr, Circle(cx + side * 32, hy - 30, 7), HueIndex(kPink, 10));
  }
  Blob(cr, Ellipse(cx, hy, 46, 40), fur, 8);
  Fill(cr, Ellipse(cx, hy + 16, 20, 15), GreyIndex(28));
  Stroke(cr, Ellipse(cx, hy + 16, 20, 15), HueIndex(kSky, 11), 2.5);
  Fill(cr, Ellipse(cx, hy + 8, 8, 5.5), GreyIndex(2));
  Arc(cr, cx - 5, hy + 18, 5, 0.2, kPi - 0.2, 3);
  Arc(cr, cx + 5, hy + 18, 5, 0.2, kPi - 0.2, 3);
  for (int side : {-1, 1}) {
    Eye(cr, cx + side * 18, hy - 6, 7, 8, phase == 1, 0, 0.2);
    Blush(cr, cx + side * 30, hy + 12, 7, 4.5);
  }
}

// ---------------------------------------------------------------- 12-14: safari

void Elephant(cairo_t* cr, int phase, int w, int h) {
  const double cx = w / 2.0, g = h - 3;
  const Tone skin = T(kSteel, 10);
  // Legs and body.
  for (int side : {-1, 1}) {
    Blob(cr, RoundRect(cx + side * 44 - 18, g - 64, 36, 64, 12), skin, 6);
    for (int k = -1; k <= 1; ++k)
      Fill(cr, Ellipse(cx + side * 44 + k * 10, g - 6, 4, 3), GreyIndex(26));
  }
  Blob(cr, Ellipse(cx, g - 78, 72, 50), skin, 10);
  for (int side : {-1, 1}) {
    Blob(cr, RoundRect(cx + side * 18 - 14, g - 44, 28, 44, 10), skin, 5);
    for (int k = -1; k <= 1; ++k)
      Fill(cr, Ellipse(cx + side * 18 + k * 8, g - 5, 3.5, 3), GreyIndex(26));
  }
  // Ears.
  const double hy = 92;
  for (int side : {-1, 1}) {
    const auto ear = Smooth({{cx + side * 40, hy - 50},
                             {cx + side * 104, hy - 56},
                             {cx + side * 118, hy},
                             {cx + side * 96, hy + 50},
                             {cx + side * 44, hy + 30}});
    Blob(cr, ear, skin, 8);
    Fill(cr,
         Smooth({{cx + side * 56, hy - 36},
                 {cx + side * 98, hy - 40},
                 {cx + side * 106, hy},
                 {cx + side * 90, hy + 34},
                 {cx + side * 58, hy + 18}}),
         HueIndex(kPink, 10));
  }
  Blob(cr, Ellipse(cx, hy, 56, 54), skin, 10);
  Shine(cr, cx - 30, hy - 32, 14, 7, skin.light);
  // Trunk: curled down, then raised high with a spray of water.
  if (phase == 0) {
    Limb(cr, Curve({cx, hy + 20}, {cx - 4, hy + 90}, {cx + 30, hy + 84}), 14, skin.base);
    Limb(cr, {{cx + 30, hy + 84}, {cx + 36, hy + 74}}, 12, skin.base);
  } else {
    Limb(cr, Curve({cx, hy + 20}, {cx + 58, hy + 40}, {cx + 70, hy - 40}), 14, skin.base);
    const int water = HueIndex(kSky, 10);
    const Pt drops[] = {{cx + 62, 20}, {cx + 80, 14}, {cx + 96, 26},
                        {cx + 48, 30}, {cx + 88, 42}, {cx + 104, 46}};
    for (const auto& [x, y] : drops) {
      Fill(cr, Smooth({{x, y - 11}, {x + 6, y + 1}, {x, y + 6}, {x - 6, y + 1}}), water);
      Fill(cr, Circle(x - 2, y, 1.8), GreyIndex(28));
    }
  }
  for (int side : {-1, 1}) {
    Blob(cr,
         Smooth({{cx + side * 20, hy + 30}, {cx + side * 40, hy + 52}, {cx + side * 30, hy + 34}}),
         White(), 2, 3);
    Eye(cr, cx + side * 24, hy - 6, 10, 12, phase == 1, 0, 0.2);
    Blush(cr, cx + side * 38, hy + 14, 9, 5);
  }
  // A red cap on the head.
  Blob(cr, Smooth({{cx - 30, hy - 46}, {cx, hy - 66}, {cx + 30, hy - 46}, {cx, hy - 42}}), T(kRed),
       3, 3.5);
  Blob(cr, Circle(cx, hy - 66, 6), T(kYellow), 2, 3);
}

void Hippo(cairo_t* cr, int phase, int w, int h) {
  const double cx = w / 2.0, g = h - 3;
  const Tone skin = T(kLavender);
  Blob(cr, Ellipse(cx, g - 56, 88, 52), skin, 10);
  for (int side : {-1, 1}) {
    for (double lx : {side * 62.0, side * 30.0}) {
      Blob(cr, RoundRect(cx + lx - 16, g - 34, 32, 34, 10), skin, 4);
      for (int k = -1; k <= 1; k += 2)
        Fill(cr, Ellipse(cx + lx + k * 7, g - 5, 4, 3), GreyIndex(26));
    }
  }
  const double hy = 58;
  for (int side : {-1, 1}) {
    Blob(cr, Ellipse(cx + side * 34, hy - 38, 11, 13), skin, 3);
    Fill(cr, Ellipse(cx + side * 34, hy - 37, 5, 7), HueIndex(kPink, 9));
  }
  Blob(cr, Ellipse(cx, hy - 6, 50, 38), skin, 6);
  for (int side : {-1, 1}) Eye(cr, cx + side * 22, hy - 18, 9, 11, phase == 1, 0, -0.3);
  const Tone muzzle = T(kLavender, 11);
  if (phase == 0) {
    Blob(cr, Ellipse(cx, hy + 40, 64, 36), muzzle, 7);
    for (int side : {-1, 1}) {
      Fill(cr, Ellipse(cx + side * 20, hy + 24, 6, 8), HueIndex(kLavender, 4));
      Blush(cr, cx + side * 46, hy + 44, 9, 5);
    }
    Arc(cr, cx, hy + 34, 40, 0.55, kPi - 0.55, 4);
  } else {
    // A huge yawn: the jaws open wide.
    Blob(cr, Ellipse(cx, hy + 64, 56, 26), muzzle, 5);
    const auto mouth = Ellipse(cx, hy + 48, 50, 30);
    Fill(cr, mouth, HueIndex(kRed, 4));
    Fill(cr, Ellipse(cx, hy + 64, 32, 12), HueIndex(kPink, 8));
    Stroke(cr, mouth, Ink());
    for (int side : {-1, 1})
      Blob(cr, RoundRect(cx + side * 30 - 6, hy + 56, 12, 16, 4), White(), 2, 3);
    Blob(cr, Ellipse(cx, hy + 18, 64, 24), muzzle, 5);
    for (int side : {-1, 1}) {
      Fill(cr, Ellipse(cx + side * 20, hy + 10, 6, 7), HueIndex(kLavender, 4));
      Blush(cr, cx + side * 48, hy + 24, 9, 5);
    }
  }
}

void Monkey(cairo_t* cr, int phase, int w, int h) {
  (void)w;
  const double cx = 68, g = h - 3;
  const Tone fur = T(kBrown);
  const int face = HueIndex(kTan, 11);
  // Curly tail: held low, then swung up.
  if (phase == 0)
    Limb(cr, Curve({cx + 20, g - 24}, {cx + 70, g + 8}, {cx + 88, g - 30}), 6, fur.base);
  else
    Limb(cr, Curve({cx + 24, g - 30}, {cx + 60, g - 90}, {cx + 88, g - 106}), 6, fur.base);
  for (int side : {-1, 1}) {
    Limb(cr, {{cx + side * 14, g - 40}, {cx + side * 22, g - 14}}, 8, fur.base);
    Blob(cr, Ellipse(cx + side * 24, g - 7, 13, 7), T(kTan, 10), 2, 3.5);
  }
  Blob(cr, Ellipse(cx, g - 54, 30, 36), fur, 7);
  Fill(cr, Ellipse(cx, g - 48, 18, 24), face);
  // Left arm rests on the belly; the right one holds a banana low, then high.
  Limb(cr, {{cx - 24, g - 76}, {cx - 36, g - 50}, {cx - 16, g - 44}}, 8, fur.base);
  const Pt hand = phase == 0 ? Pt{cx + 40, g - 42} : Pt{cx + 50, g - 138};
  Limb(cr, {{cx + 24, g - 76}, phase == 0 ? Pt{cx + 42, g - 62} : Pt{cx + 44, g - 106}, hand}, 8,
       fur.base);
  Turned(cr, hand.first, hand.second, phase == 0 ? 0.3 : -0.5, [&] {
    const double bx = hand.first, by = hand.second;
    Blob(cr,
         Smooth({{bx - 6, by - 30},
                 {bx + 2, by - 34},
                 {bx + 20, by - 12},
                 {bx + 18, by + 14},
                 {bx + 10, by + 4},
                 {bx + 6, by - 16}}),
         T(kYellow), 3, 3.5);
  });
  Blob(cr, Circle(hand.first, hand.second, 9), T(kTan, 10), 2, 3.5);
  // Head.
  const double hy = 58;
  for (int side : {-1, 1}) {
    Blob(cr, Circle(cx + side * 40, hy + 2, 15), fur, 3);
    Fill(cr, Circle(cx + side * 40, hy + 2, 8), face);
  }
  Blob(cr, Ellipse(cx, hy, 38, 36), fur, 7);
  Fill(cr, Circle(cx - 13, hy - 6, 14), face);
  Fill(cr, Circle(cx + 13, hy - 6, 14), face);
  Fill(cr, Ellipse(cx, hy + 14, 26, 17), face);
  for (int side : {-1, 1}) {
    Eye(cr, cx + side * 12, hy - 6, 7, 9, phase == 1, 0, 0.1);
    Blush(cr, cx + side * 24, hy + 10, 5, 3.5);
  }
  for (int side : {-1, 1}) Fill(cr, Circle(cx + side * 4, hy + 8, 2), HueIndex(kBrown, 4));
  if (phase == 0) {
    Arc(cr, cx, hy + 12, 12, 0.35, kPi - 0.35, 3.5);
  } else {
    const auto m = Ellipse(cx, hy + 20, 9, 7);
    Fill(cr, m, HueIndex(kRed, 3));
    Stroke(cr, m, Ink(), 3);
  }
  Shine(cr, cx - 20, hy - 24, 8, 4, fur.light);
}

}  // namespace

void DrawActor(cairo_t* cr, int actor, int phase, int width, int height) {
  using Draw = void (*)(cairo_t*, int, int, int);
  static constexpr Draw kDraw[15] = {Singer,   Guitarist, Drummer,     Owl,        Frog,
                                     Mushroom, BoxRobot,  SpringRobot, WheelRobot, Penguin,
                                     Snowman,  PolarBear, Elephant,    Hippo,      Monkey};
  kDraw[actor](cr, phase, width, height);
}
