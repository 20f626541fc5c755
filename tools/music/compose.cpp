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
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
// Every partial stays below this, well under the 11025 Hz Nyquist limit.
constexpr double kMaxPartialHz = 9500.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kMaxMacroDepth = 8;

// ---------------------------------------------------------------- instruments

struct Partial {
  double ratio;  // frequency relative to the note
  double amp;    // relative amplitude
  double tau;    // exponential decay time in seconds; 0 = held
};

constexpr int kMaxPartials = 4;

struct Instrument {
  const char* name;
  Partial partials[kMaxPartials];
  int partialCount;
  double attack;             // raised-cosine fade-in, seconds
  double release;            // raised-cosine fade-out after the note's end, seconds
  double sustain = 1.0;      // held level the body settles to (1 = no settling)
  double settle = 1.0;       // time constant of that settling, seconds
  double vibrato = 0.0;      // relative depth of the pitch wobble (0 = none)
  int chorus = 1;            // number of slightly detuned copies (1 = plain)
  double chorusCents = 0.0;  // spread of those copies
};

constexpr Instrument kInstruments[] = {
    // A comb tine: a clean ringing fundamental, a softer octave, and a short inharmonic "ting"
    // that gives the attack its sparkle.
    {.name = "musicbox",
     .partials = {{1.0, 1.0, 1.1}, {2.0, 0.22, 0.45}, {3.0, 0.06, 0.25}, {5.4, 0.10, 0.06}},
     .partialCount = 4,
     .attack = 0.003,
     .release = 0.9},
    // Soft-mallet bar: fundamental plus the tuned fourth partial and a faint tenth, both dying
    // away quickly.
    {.name = "marimba",
     .partials = {{1.0, 1.0, 0.45}, {4.0, 0.18, 0.07}, {9.9, 0.03, 0.025}},
     .partialCount = 3,
     .attack = 0.004,
     .release = 0.3},
    // Breathy-free soft flute: nearly a sine, slow attack, delayed vibrato.
    {.name = "flute",
     .partials = {{1.0, 1.0, 0.0}, {2.0, 0.20, 0.0}, {3.0, 0.07, 0.0}, {4.0, 0.025, 0.0}},
     .partialCount = 4,
     .attack = 0.07,
     .release = 0.18,
     .sustain = 0.85,
     .settle = 0.6,
     .vibrato = 0.0045},
    // Round bass: a sine with a little second and third harmonic so it is still heard on small
    // speakers; plucked onset settling to a hum.
    {.name = "bass",
     .partials = {{1.0, 1.0, 0.0}, {2.0, 0.35, 1.2}, {3.0, 0.12, 0.5}},
     .partialCount = 3,
     .attack = 0.012,
     .release = 0.12,
     .sustain = 0.55,
     .settle = 0.7},
    // Warm pad: three gently detuned copies of a soft tone, slow in and out.
    {.name = "pad",
     .partials = {{1.0, 1.0, 0.0}, {2.0, 0.28, 0.0}, {3.0, 0.09, 0.0}},
     .partialCount = 3,
     .attack = 0.45,
     .release = 0.9,
     .chorus = 3,
     .chorusCents = 7.0},
};

// The instrument called `name`, or none.
const Instrument* FindInstrument(const std::string& name) {
  for (const Instrument& instrument : kInstruments)
    if (name == instrument.name) return &instrument;
  return nullptr;
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

using Macros = std::map<std::string, std::vector<std::string>>;

std::string FormatNumber(double d) {
  std::ostringstream s;
  s << d;
  return s.str();
}

// Sets *error to `message` about score line `line`; returns false for the caller to pass on.
bool Fail(int line, const std::string& message, std::string* error) {
  *error = "score line " + std::to_string(line) + ": " + message;
  return false;
}

// Note names such as C5, F#4, Bb3 (A4 = 440 Hz, C4 = middle C); false with *problem set for
// anything else.
bool NoteFrequency(const std::string& s, double* frequency, std::string* problem) {
  constexpr int kSemitones[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (s.empty() || s[0] < 'A' || s[0] > 'G') {
    *problem = "bad note name '" + s + "'";
    return false;
  }
  int semitone = kSemitones[s[0] - 'A'];
  size_t i = 1;
  while (i < s.size() && (s[i] == '#' || s[i] == 'b')) semitone += (s[i++] == '#') ? 1 : -1;
  if (i >= s.size() || i + 1 < s.size() || s[i] < '0' || s[i] > '8') {
    *problem = "bad octave in note '" + s + "'";
    return false;
  }
  const int midi = 12 * (s[i] - '0' + 1) + semitone;
  *frequency = 440.0 * std::pow(2.0, (midi - 69) / 12.0);
  return true;
}

// w h q e s = whole, half, quarter, eighth, sixteenth (in quarter-note beats), a trailing '.'
// dots it; a plain positive number is a count of beats. False for anything else.
bool ParseDuration(const std::string& s, double* beats) {
  if (s.empty()) return false;
  const size_t k = std::string("whqes").find(s[0]);
  if (k != std::string::npos) {
    const double d = 4.0 / double(1 << k);
    if (s.size() == 2 && s[1] == '.')
      *beats = d * 1.5;
    else if (s.size() == 1)
      *beats = d;
    else
      return false;
    return true;
  }
  char* end = nullptr;
  const double d = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || *end != '\0' || !(d > 0.0)) return false;
  *beats = d;
  return true;
}

// Gentle metric accents: downbeat strongest, then the middle of the bar, then the other beats,
// off-beats lightest.
double Accent(double posInBar, int meter) {
  if (posInBar < 1e-6) return 1.0;
  if (meter % 2 == 0 && std::abs(posInBar - meter / 2.0) < 1e-6) return 0.92;
  if (std::abs(posInBar - std::round(posInBar)) < 1e-6) return 0.86;
  return 0.8;
}

bool AddTokens(Score* score, Voice* v, const std::vector<std::string>& tokens, const Macros& macros,
               int line, int depth, std::string* error) {
  if (depth > kMaxMacroDepth) return Fail(line, "macros nested too deeply", error);
  for (const std::string& t : tokens) {
    if (t == "|") {
      const double inBar = v->beats - v->barStart;
      if (inBar > 1e-9) {
        if (std::abs(inBar - score->meter) > 1e-6)
          return Fail(line,
                      "bar " + std::to_string(v->bar) + " of voice '" + v->name + "' has " +
                          FormatNumber(inBar) + " beats, expected " + FormatNumber(score->meter),
                      error);
        ++v->bar;
        v->barStart = v->beats;
      }
      continue;
    }
    if (t[0] == '$') {
      const auto m = macros.find(t.substr(1));
      if (m == macros.end()) return Fail(line, "unknown pattern '" + t + "'", error);
      if (!AddTokens(score, v, m->second, macros, line, depth + 1, error)) return false;
      continue;
    }
    if (t[0] == '@') {
      char* end = nullptr;
      v->dynamic = std::strtod(t.c_str() + 1, &end);
      if (*end != '\0' || !(v->dynamic >= 0.0)) return Fail(line, "bad dynamic '" + t + "'", error);
      continue;
    }
    const size_t colon = t.find(':');
    if (colon == std::string::npos)
      return Fail(line, "expected NOTE:DURATION, got '" + t + "'", error);
    const std::string duration = t.substr(colon + 1);
    double beats = 0.0;
    if (duration.empty()) return Fail(line, "missing duration", error);
    if (!ParseDuration(duration, &beats))
      return Fail(line, "bad duration '" + duration + "'", error);
    const std::string pitches = t.substr(0, colon);
    if (pitches != "r") {
      const double amp = v->level * v->dynamic * Accent(v->beats - v->barStart, score->meter);
      std::stringstream ps(pitches);
      std::string p;
      while (std::getline(ps, p, '+')) {
        double frequency = 0.0;
        std::string problem;
        if (!NoteFrequency(p, &frequency, &problem)) return Fail(line, problem, error);
        score->notes.push_back({v->beats, beats, frequency, amp, v->send, v->inst});
      }
    }
    v->beats += beats;
  }
  return true;
}

// Reads the number in tokens[i] into *value; false with *error set when it is missing or bad.
bool TokenNumber(const std::vector<std::string>& tokens, size_t i, int line, double* value,
                 std::string* error) {
  if (i >= tokens.size()) return Fail(line, "missing value after '" + tokens[0] + "'", error);
  char* end = nullptr;
  *value = std::strtod(tokens[i].c_str(), &end);
  if (*end != '\0') return Fail(line, "bad number '" + tokens[i] + "'", error);
  return true;
}

// One directive line of the score (its tokens, comments removed).
bool ParseLine(const std::vector<std::string>& tokens, int line, Score* score, Macros* macros,
               std::string* error) {
  const std::string& head = tokens[0];
  if (head == "tempo") {
    if (!TokenNumber(tokens, 1, line, &score->tempo, error)) return false;
    if (!(score->tempo >= 20 && score->tempo <= 400))
      return Fail(line, "tempo out of range", error);
  } else if (head == "meter") {
    double meter = 0.0;
    if (!TokenNumber(tokens, 1, line, &meter, error)) return false;
    score->meter = int(meter);
    if (score->meter < 1 || score->meter > 16) return Fail(line, "meter out of range", error);
  } else if (head == "reverb") {
    if (!TokenNumber(tokens, 1, line, &score->reverb, error)) return false;
  } else if (head == "voice") {
    if (tokens.size() < 4) return Fail(line, "voice NAME INSTRUMENT LEVEL [REVERB-SEND]", error);
    Voice v;
    v.name = tokens[1];
    v.inst = FindInstrument(tokens[2]);
    if (v.inst == nullptr) return Fail(line, "unknown instrument '" + tokens[2] + "'", error);
    if (!TokenNumber(tokens, 3, line, &v.level, error)) return false;
    if (tokens.size() > 4 && !TokenNumber(tokens, 4, line, &v.send, error)) return false;
    score->voices.push_back(v);
  } else if (head == "def") {
    if (tokens.size() < 3 || tokens[2] != "=") return Fail(line, "def NAME = TOKENS...", error);
    (*macros)[tokens[1]] = std::vector<std::string>(tokens.begin() + 3, tokens.end());
  } else if (head.back() == ':') {
    const std::string name = head.substr(0, head.size() - 1);
    auto v = std::find_if(score->voices.begin(), score->voices.end(),
                          [&](const Voice& x) { return x.name == name; });
    if (v == score->voices.end()) return Fail(line, "unknown voice '" + name + "'", error);
    return AddTokens(score, &*v, std::vector<std::string>(tokens.begin() + 1, tokens.end()),
                     *macros, line, 0, error);
  } else {
    return Fail(line, "unknown directive '" + head + "'", error);
  }
  return true;
}

// Reads a whole score; false with *error set on the first fault.
bool ParseScore(std::istream& in, Score* score, std::string* error) {
  Macros macros;
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
    if (!tokens.empty() && !ParseLine(tokens, line, score, &macros, error)) return false;
  }
  if (score->voices.empty()) {
    *error = "score has no voices";
    return false;
  }
  const double total = score->voices[0].beats;
  for (const Voice& v : score->voices) {
    if (std::abs(v.beats - v.barStart) > 1e-9) {
      *error = "voice '" + v.name + "' ends without a closing bar line";
      return false;
    }
    if (std::abs(v.beats - total) > 1e-6) {
      *error = "voice '" + v.name + "' lasts " + FormatNumber(v.beats) + " beats but '" +
               score->voices[0].name + "' lasts " + FormatNumber(total);
      return false;
    }
  }
  if (total <= 0) {
    *error = "score has no bars";
    return false;
  }
  return true;
}

// ----------------------------------------------------------------- synthesis

// Adds one note into the circular buffers, wrapping its tail to the start.
void RenderNote(const Note& n, double secondsPerBeat, std::vector<double>* dry,
                std::vector<double>* wet) {
  const Instrument& in = *n.inst;
  const size_t size = dry->size();
  const double held = n.beats * secondsPerBeat;
  const double length = held + in.release;
  const size_t start = size_t(std::llround(n.startBeat * secondsPerBeat * kRate)) % size;
  const size_t count = size_t(length * kRate) + 1;
  const double dt = 1.0 / kRate;

  for (int c = 0; c < in.chorus; ++c) {
    const double cents = in.chorus > 1 ? in.chorusCents * (2.0 * c / (in.chorus - 1) - 1.0) : 0.0;
    const double base = n.freq * std::pow(2.0, cents / 1200.0);
    const double gain = n.amp / in.chorus;
    for (int partial = 0; partial < in.partialCount; ++partial) {
      const Partial& p = in.partials[partial];
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
        (*dry)[k] += s;
        (*wet)[k] += s * n.send;
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
std::vector<double> ReverbLoop(const std::vector<double>& in) {
  struct Comb {
    std::vector<double> line;
    size_t pos = 0;
    double store = 0.0;
  };
  struct AllPass {
    std::vector<double> line;
    size_t pos = 0;
  };
  constexpr size_t kCombLength[4] = {557, 593, 641, 677};
  constexpr size_t kAllPassLength[2] = {277, 113};
  constexpr double kFeedback = 0.8, kDamp = 0.35, kAllPassGain = 0.5;
  Comb combs[4];
  AllPass aps[2];
  for (int i = 0; i < 4; ++i) combs[i].line.assign(kCombLength[i], 0.0);
  for (int i = 0; i < 2; ++i) aps[i].line.assign(kAllPassLength[i], 0.0);

  std::vector<double> out(in.size(), 0.0);
  for (int pass = 0; pass < 3; ++pass) {
    for (size_t n = 0; n < in.size(); ++n) {
      double acc = 0.0;
      for (Comb& c : combs) {
        const double y = c.line[c.pos];
        c.store = y * (1.0 - kDamp) + c.store * kDamp;
        c.line[c.pos] = in[n] + c.store * kFeedback;
        c.pos = (c.pos + 1) % c.line.size();
        acc += y;
      }
      acc *= 0.25;
      for (AllPass& a : aps) {
        const double b = a.line[a.pos];
        a.line[a.pos] = acc + b * kAllPassGain;
        a.pos = (a.pos + 1) % a.line.size();
        acc = b - acc * kAllPassGain;
      }
      out[n] = acc;
    }
  }
  return out;
}

// One-pole low-pass run circularly (two laps, the second is the steady state).
void LowPassLoop(std::vector<double>* x, double cutoffHz) {
  const double a = 1.0 - std::exp(-kTwoPi * cutoffHz / kRate);
  double y = 0.0;
  for (int pass = 0; pass < 2; ++pass)
    for (double& s : *x) {
      y += a * (s - y);
      if (pass == 1) s = y;
    }
}

void Put16(std::vector<uint8_t>* b, uint32_t v) {
  b->push_back(uint8_t(v));
  b->push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>* b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

std::vector<uint8_t> WaveFile(const std::vector<uint8_t>& pcm) {
  std::vector<uint8_t> b;
  const uint32_t size = uint32_t(pcm.size());
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  Put32(&b, 36 + size);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(&b, 16);     // fmt chunk size
  Put16(&b, 1);      // PCM
  Put16(&b, 1);      // mono
  Put32(&b, kRate);  // sample rate
  Put32(&b, kRate);  // byte rate
  Put16(&b, 1);      // block align
  Put16(&b, 8);      // bits per sample
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  Put32(&b, size);
  b.insert(b.end(), pcm.begin(), pcm.end());
  if (size % 2) b.push_back(0);  // RIFF pad byte
  return b;
}

// Renders the score's `size` samples as 8-bit unsigned PCM into *pcm; false when it is silent.
bool RenderScore(const Score& score, size_t size, std::vector<uint8_t>* pcm) {
  const double secondsPerBeat = 60.0 / score.tempo;
  std::vector<double> dry(size, 0.0), wet(size, 0.0);
  for (const Note& n : score.notes) RenderNote(n, secondsPerBeat, &dry, &wet);

  const std::vector<double> room = ReverbLoop(wet);
  std::vector<double> mix(size);
  for (size_t i = 0; i < size; ++i) mix[i] = dry[i] + score.reverb * room[i];
  LowPassLoop(&mix, 7000.0);

  // The loop's average is exactly its DC; remove it, then scale so the peak sits at 87 % of the
  // 8-bit half range and round (128 = silence).
  double mean = 0.0;
  for (double s : mix) mean += s;
  mean /= double(size);
  double peak = 0.0;
  for (double& s : mix) peak = std::max(peak, std::abs(s -= mean));
  if (peak <= 0.0) return false;
  const double scale = 0.87 * 127.0 / peak;
  pcm->resize(size);
  for (size_t i = 0; i < size; ++i)
    (*pcm)[i] = uint8_t(std::clamp<long>(128 + std::lround(mix[i] * scale), 1, 254));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: compose SCORE OUT.wav\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "compose: cannot open %s\n", argv[1]);
    return 1;
  }
  Score score;
  std::string error;
  if (!ParseScore(in, &score, &error)) {
    std::fprintf(stderr, "compose: %s\n", error.c_str());
    return 1;
  }
  const double secondsPerBeat = 60.0 / score.tempo;
  const double totalBeats = score.voices[0].beats;
  const size_t size = size_t(std::llround(totalBeats * secondsPerBeat * kRate));
  if (size < 2) {
    std::fprintf(stderr, "compose: score too short to render\n");
    return 1;
  }
  std::vector<uint8_t> pcm;
  if (!RenderScore(score, size, &pcm)) {
    std::fprintf(stderr, "compose: score renders to silence\n");
    return 1;
  }
  const std::vector<uint8_t> file = WaveFile(pcm);
  std::ofstream out(argv[2], std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  if (!out) {
    std::fprintf(stderr, "compose: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%s: %zu notes, %.0f beats at %.0f bpm, %.2f s, %zu bytes\n", argv[2],
              score.notes.size(), totalBeats, score.tempo, double(size) / kRate, file.size());
  return 0;
}
