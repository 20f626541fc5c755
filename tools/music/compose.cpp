// compose: renders the background-music score (score.txt) into the looping
// BGM04.SSS file: RIFF WAVE, 22050 Hz, 8-bit unsigned, mono.
//
// The player loops the data block by itself, so the piece is rendered as a
// circular buffer: every note tail that runs past the end is wrapped around and
// added to the beginning, and the reverb is run to its periodic steady state.
// The last sample therefore flows into the first exactly as any two
// neighbouring samples do.
//
// Usage: compose SCORE OUT.wav

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
// Every partial stays below this, well under the 11025 Hz Nyquist limit.
constexpr double kMaxPartialHz = 9500.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// ---------------------------------------------------------------- instruments

struct Partial {
  double ratio;  // frequency relative to the note
  double amp;    // relative amplitude
  double tau;    // exponential decay time in seconds; 0 = held
};

struct Instrument {
  std::vector<Partial> partials;
  double attack;       // raised-cosine fade-in, seconds
  double release;      // raised-cosine fade-out after the note's end, seconds
  double sustain;      // held level the body settles to (1 = no settling)
  double settle;       // time constant of that settling, seconds
  double vibrato;      // relative depth of the pitch wobble (0 = none)
  int chorus;          // number of slightly detuned copies (1 = plain)
  double chorusCents;  // spread of those copies
};

const std::map<std::string, Instrument>& instruments() {
  static const std::map<std::string, Instrument> table = {
      // A comb tine: a clean ringing fundamental, a softer octave, and a short
      // inharmonic "ting" that gives the attack its sparkle.
      {"musicbox",
       {{{1.0, 1.0, 1.1}, {2.0, 0.22, 0.45}, {3.0, 0.06, 0.25}, {5.4, 0.10, 0.06}},
        0.003,
        0.9,
        1.0,
        1.0,
        0.0,
        1,
        0.0}},
      // Soft-mallet bar: fundamental plus the tuned fourth partial and a faint
      // tenth, both dying away quickly.
      {"marimba",
       {{{1.0, 1.0, 0.45}, {4.0, 0.18, 0.07}, {9.9, 0.03, 0.025}},
        0.004,
        0.3,
        1.0,
        1.0,
        0.0,
        1,
        0.0}},
      // Breathy-free soft flute: nearly a sine, slow attack, delayed vibrato.
      {"flute",
       {{{1.0, 1.0, 0.0}, {2.0, 0.20, 0.0}, {3.0, 0.07, 0.0}, {4.0, 0.025, 0.0}},
        0.07,
        0.18,
        0.85,
        0.6,
        0.0045,
        1,
        0.0}},
      // Round bass: a sine with a little second and third harmonic so it is
      // still heard on small speakers; plucked onset settling to a hum.
      {"bass",
       {{{1.0, 1.0, 0.0}, {2.0, 0.35, 1.2}, {3.0, 0.12, 0.5}},
        0.012,
        0.12,
        0.55,
        0.7,
        0.0,
        1,
        0.0}},
      // Warm pad: three gently detuned copies of a soft tone, slow in and out.
      {"pad",
       {{{1.0, 1.0, 0.0}, {2.0, 0.28, 0.0}, {3.0, 0.09, 0.0}}, 0.45, 0.9, 1.0, 1.0, 0.0, 3, 7.0}},
  };
  return table;
}

// --------------------------------------------------------------------- score

struct Voice {
  std::string name;
  const Instrument* inst = nullptr;
  double level = 0.5;
  double send = 0.3;   // share fed to the reverb
  double beats = 0.0;  // running position while parsing
  double barStart = 0.0;
  int bar = 1;
  double dynamic = 1.0;
};

struct Note {
  double startBeat;
  double beats;
  double freq;
  double amp;
  double send;
  const Instrument* inst;
};

struct Score {
  double tempo = 96.0;
  int meter = 4;
  double reverb = 0.2;
  std::vector<Voice> voices;
  std::vector<Note> notes;
};

std::string num(double d) {
  std::ostringstream s;
  s << d;
  return s.str();
}

[[noreturn]] void fail(int line, const std::string& msg) {
  throw std::runtime_error("score line " + std::to_string(line) + ": " + msg);
}

// Note names such as C5, F#4, Bb3 (A4 = 440 Hz, C4 = middle C).
double noteFrequency(const std::string& s, int line) {
  static const int semis[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (s.empty() || s[0] < 'A' || s[0] > 'G') fail(line, "bad note name '" + s + "'");
  int semi = semis[s[0] - 'A'];
  size_t i = 1;
  while (i < s.size() && (s[i] == '#' || s[i] == 'b')) semi += (s[i++] == '#') ? 1 : -1;
  if (i >= s.size() || i + 1 < s.size() || s[i] < '0' || s[i] > '8')
    fail(line, "bad octave in note '" + s + "'");
  const int midi = 12 * (s[i] - '0' + 1) + semi;
  return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// w h q e s = whole, half, quarter, eighth, sixteenth (in quarter-note beats),
// a trailing '.' dots it; a plain number is a count of beats.
double parseDuration(const std::string& s, int line) {
  if (s.empty()) fail(line, "missing duration");
  const std::string letters = "whqes";
  const size_t k = letters.find(s[0]);
  if (k != std::string::npos) {
    double d = 4.0 / double(1 << k);
    if (s.size() == 2 && s[1] == '.') return d * 1.5;
    if (s.size() == 1) return d;
    fail(line, "bad duration '" + s + "'");
  }
  char* end = nullptr;
  const double d = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || *end != '\0' || !(d > 0.0)) fail(line, "bad duration '" + s + "'");
  return d;
}

// Gentle metric accents: downbeat strongest, then the middle of the bar, then
// the other beats, off-beats lightest.
double accent(double posInBar, int meter) {
  if (posInBar < 1e-6) return 1.0;
  if (meter % 2 == 0 && std::abs(posInBar - meter / 2.0) < 1e-6) return 0.92;
  if (std::abs(posInBar - std::round(posInBar)) < 1e-6) return 0.86;
  return 0.8;
}

void addTokens(Score& score, Voice& v, const std::vector<std::string>& tokens,
               const std::map<std::string, std::vector<std::string>>& macros, int line, int depth) {
  if (depth > 8) fail(line, "macros nested too deeply");
  for (const std::string& t : tokens) {
    if (t == "|") {
      const double inBar = v.beats - v.barStart;
      if (inBar > 1e-9) {
        if (std::abs(inBar - score.meter) > 1e-6)
          fail(line, "bar " + std::to_string(v.bar) + " of voice '" + v.name + "' has " +
                         num(inBar) + " beats, expected " + num(score.meter));
        ++v.bar;
        v.barStart = v.beats;
      }
      continue;
    }
    if (t[0] == '$') {
      const auto m = macros.find(t.substr(1));
      if (m == macros.end()) fail(line, "unknown pattern '" + t + "'");
      addTokens(score, v, m->second, macros, line, depth + 1);
      continue;
    }
    if (t[0] == '@') {
      char* end = nullptr;
      v.dynamic = std::strtod(t.c_str() + 1, &end);
      if (*end != '\0' || !(v.dynamic >= 0.0)) fail(line, "bad dynamic '" + t + "'");
      continue;
    }
    const size_t colon = t.find(':');
    if (colon == std::string::npos) fail(line, "expected NOTE:DURATION, got '" + t + "'");
    const double beats = parseDuration(t.substr(colon + 1), line);
    const std::string pitches = t.substr(0, colon);
    if (pitches != "r") {
      const double amp = v.level * v.dynamic * accent(v.beats - v.barStart, score.meter);
      std::stringstream ps(pitches);
      std::string p;
      while (std::getline(ps, p, '+'))
        score.notes.push_back({v.beats, beats, noteFrequency(p, line), amp, v.send, v.inst});
    }
    v.beats += beats;
  }
}

Score parseScore(std::istream& in) {
  Score score;
  std::map<std::string, std::vector<std::string>> macros;
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    std::vector<std::string> tokens;
    std::stringstream ls(text);
    for (std::string t; ls >> t;) {
      if (t[0] == '#') break;  // comment to the end of the line
      tokens.push_back(t);
    }
    if (tokens.empty()) continue;
    const std::string& head = tokens[0];
    auto number = [&](size_t i) {
      if (i >= tokens.size()) fail(line, "missing value after '" + head + "'");
      char* end = nullptr;
      const double d = std::strtod(tokens[i].c_str(), &end);
      if (*end != '\0') fail(line, "bad number '" + tokens[i] + "'");
      return d;
    };
    if (head == "tempo") {
      score.tempo = number(1);
      if (!(score.tempo >= 20 && score.tempo <= 400)) fail(line, "tempo out of range");
    } else if (head == "meter") {
      score.meter = int(number(1));
      if (score.meter < 1 || score.meter > 16) fail(line, "meter out of range");
    } else if (head == "reverb") {
      score.reverb = number(1);
    } else if (head == "voice") {
      if (tokens.size() < 4) fail(line, "voice NAME INSTRUMENT LEVEL [REVERB-SEND]");
      const auto it = instruments().find(tokens[2]);
      if (it == instruments().end()) fail(line, "unknown instrument '" + tokens[2] + "'");
      Voice v;
      v.name = tokens[1];
      v.inst = &it->second;
      v.level = number(3);
      if (tokens.size() > 4) v.send = number(4);
      score.voices.push_back(v);
    } else if (head == "def") {
      if (tokens.size() < 3 || tokens[2] != "=") fail(line, "def NAME = TOKENS...");
      macros[tokens[1]] = std::vector<std::string>(tokens.begin() + 3, tokens.end());
    } else if (head.back() == ':') {
      const std::string name = head.substr(0, head.size() - 1);
      auto v = std::find_if(score.voices.begin(), score.voices.end(),
                            [&](const Voice& x) { return x.name == name; });
      if (v == score.voices.end()) fail(line, "unknown voice '" + name + "'");
      addTokens(score, *v, std::vector<std::string>(tokens.begin() + 1, tokens.end()), macros, line,
                0);
    } else {
      fail(line, "unknown directive '" + head + "'");
    }
  }
  if (score.voices.empty()) throw std::runtime_error("score has no voices");
  const double total = score.voices[0].beats;
  for (const Voice& v : score.voices) {
    if (std::abs(v.beats - v.barStart) > 1e-9)
      throw std::runtime_error("voice '" + v.name + "' ends without a closing bar line");
    if (std::abs(v.beats - total) > 1e-6)
      throw std::runtime_error("voice '" + v.name + "' lasts " + num(v.beats) + " beats but '" +
                               score.voices[0].name + "' lasts " + num(total));
  }
  if (total <= 0) throw std::runtime_error("score has no bars");
  return score;
}

// ----------------------------------------------------------------- synthesis

// Adds one note into the circular buffers, wrapping its tail to the start.
void renderNote(const Note& n, double secondsPerBeat, std::vector<double>& dry,
                std::vector<double>& wet) {
  const Instrument& in = *n.inst;
  const size_t size = dry.size();
  const double held = n.beats * secondsPerBeat;
  const double length = held + in.release;
  const size_t start = size_t(std::llround(n.startBeat * secondsPerBeat * kRate)) % size;
  const size_t count = size_t(length * kRate) + 1;
  const double dt = 1.0 / kRate;

  for (int c = 0; c < in.chorus; ++c) {
    const double cents = in.chorus > 1 ? in.chorusCents * (2.0 * c / (in.chorus - 1) - 1.0) : 0.0;
    const double base = n.freq * std::pow(2.0, cents / 1200.0);
    const double gain = n.amp / in.chorus;
    for (const Partial& p : in.partials) {
      const double f = base * p.ratio;
      if (f * (1.0 + 2.0 * in.vibrato) >= kMaxPartialHz) continue;
      // Start each chorus copy at a different phase so they do not sum into
      // one sharp spike at the onset.
      double phase = 0.7 * c;
      for (size_t i = 0; i < count; ++i) {
        const double t = i * dt;
        double env = t < in.attack ? 0.5 - 0.5 * std::cos(std::numbers::pi * t / in.attack) : 1.0;
        env *= in.sustain + (1.0 - in.sustain) * std::exp(-t / in.settle);
        if (p.tau > 0) env *= std::exp(-t / p.tau);
        if (t > held) {
          const double r = (t - held) / in.release;
          if (r >= 1.0) break;
          env *= 0.5 + 0.5 * std::cos(std::numbers::pi * r);
        }
        if (env < 1e-5 && t > in.attack) break;
        const double s = gain * p.amp * env * std::sin(phase);
        const size_t k = (start + i) % size;
        dry[k] += s;
        wet[k] += s * n.send;
        double wobble = 0.0;
        if (in.vibrato > 0) {
          // Vibrato fades in after the note has spoken.
          const double depth = std::clamp((t - 0.25) / 0.4, 0.0, 1.0) * in.vibrato;
          wobble = depth * std::sin(kTwoPi * 5.0 * t);
        }
        phase += kTwoPi * f * (1.0 + wobble) * dt;
        if (phase > kTwoPi) phase -= kTwoPi;
      }
    }
  }
}

// A small Schroeder room (four damped combs into two all-passes). Run over the
// loop three times: the first passes only settle the delay lines, so the last
// one is the periodic steady state, in which the tail of the end of the piece
// already rings over its beginning.
std::vector<double> reverbLoop(const std::vector<double>& in) {
  struct Comb {
    std::vector<double> line;
    size_t pos = 0;
    double store = 0.0;
  };
  struct AllPass {
    std::vector<double> line;
    size_t pos = 0;
  };
  const size_t combLen[4] = {557, 593, 641, 677};
  const size_t apLen[2] = {277, 113};
  const double feedback = 0.8, damp = 0.35, apGain = 0.5;
  Comb combs[4];
  AllPass aps[2];
  for (int i = 0; i < 4; ++i) combs[i].line.assign(combLen[i], 0.0);
  for (int i = 0; i < 2; ++i) aps[i].line.assign(apLen[i], 0.0);

  std::vector<double> out(in.size(), 0.0);
  for (int pass = 0; pass < 3; ++pass) {
    for (size_t n = 0; n < in.size(); ++n) {
      double acc = 0.0;
      for (Comb& c : combs) {
        const double y = c.line[c.pos];
        c.store = y * (1.0 - damp) + c.store * damp;
        c.line[c.pos] = in[n] + c.store * feedback;
        c.pos = (c.pos + 1) % c.line.size();
        acc += y;
      }
      acc *= 0.25;
      for (AllPass& a : aps) {
        const double b = a.line[a.pos];
        a.line[a.pos] = acc + b * apGain;
        a.pos = (a.pos + 1) % a.line.size();
        acc = b - acc * apGain;
      }
      out[n] = acc;
    }
  }
  return out;
}

// One-pole low-pass run circularly (two laps, the second is the steady state).
void lowPassLoop(std::vector<double>& x, double cutoffHz) {
  const double a = 1.0 - std::exp(-kTwoPi * cutoffHz / kRate);
  double y = 0.0;
  for (int pass = 0; pass < 2; ++pass)
    for (double& s : x) {
      y += a * (s - y);
      if (pass == 1) s = y;
    }
}

void put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

std::vector<uint8_t> waveFile(const std::vector<uint8_t>& pcm) {
  std::vector<uint8_t> b;
  const uint32_t size = uint32_t(pcm.size());
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  put32(b, 36 + size);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(b, 16);     // fmt chunk size
  put16(b, 1);      // PCM
  put16(b, 1);      // mono
  put32(b, kRate);  // sample rate
  put32(b, kRate);  // byte rate
  put16(b, 1);      // block align
  put16(b, 8);      // bits per sample
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  put32(b, size);
  b.insert(b.end(), pcm.begin(), pcm.end());
  if (size % 2) b.push_back(0);  // RIFF pad byte
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: compose SCORE OUT.wav\n");
    return 2;
  }
  try {
    std::ifstream in(argv[1]);
    if (!in) throw std::runtime_error(std::string("cannot open ") + argv[1]);
    const Score score = parseScore(in);

    const double secondsPerBeat = 60.0 / score.tempo;
    const double totalBeats = score.voices[0].beats;
    const size_t size = size_t(std::llround(totalBeats * secondsPerBeat * kRate));
    if (size < 2) throw std::runtime_error("score too short to render");

    std::vector<double> dry(size, 0.0), wet(size, 0.0);
    for (const Note& n : score.notes) renderNote(n, secondsPerBeat, dry, wet);

    const std::vector<double> room = reverbLoop(wet);
    std::vector<double> mix(size);
    for (size_t i = 0; i < size; ++i) mix[i] = dry[i] + score.reverb * room[i];
    lowPassLoop(mix, 7000.0);

    // The loop's average is exactly its DC; remove it, then scale so the peak
    // sits at 87 % of the 8-bit half range and round (128 = silence).
    double mean = 0.0;
    for (double s : mix) mean += s;
    mean /= double(size);
    double peak = 0.0;
    for (double& s : mix) peak = std::max(peak, std::abs(s -= mean));
    if (peak <= 0.0) throw std::runtime_error("score renders to silence");
    const double scale = 0.87 * 127.0 / peak;
    std::vector<uint8_t> pcm(size);
    for (size_t i = 0; i < size; ++i)
      pcm[i] = uint8_t(std::clamp<long>(128 + std::lround(mix[i] * scale), 1, 254));

    const std::vector<uint8_t> file = waveFile(pcm);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    if (!out) throw std::runtime_error(std::string("cannot write ") + argv[2]);
    std::printf("%s: %zu notes, %.0f beats at %.0f bpm, %.2f s, %zu bytes\n", argv[2],
                score.notes.size(), totalBeats, score.tempo, double(size) / kRate, file.size());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "compose: %s\n", e.what());
    return 1;
  }
}
