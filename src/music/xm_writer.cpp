#include "music/xm_writer.h"

#include <algorithm>

namespace zub {

namespace {

void put8(std::string& out, int v) { out.push_back((char)(v & 0xFF)); }
void put16(std::string& out, int v) {
  put8(out, v);
  put8(out, v >> 8);
}
void put32(std::string& out, uint32_t v) {
  put16(out, (int)(v & 0xFFFF));
  put16(out, (int)(v >> 16));
}
void putText(std::string& out, const std::string& text, size_t size) {
  std::string field = text.substr(0, size);
  field.resize(size, '\0');
  out += field;
}

// A cell with every field set is stored as is; any other gets a flag byte naming the fields
// that follow, so empty cells take one byte.
void putCell(std::string& out, const XmCell& c) {
  const uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
  int flags = 0;
  for (int i = 0; i < 5; ++i)
    if (fields[i]) flags |= 1 << i;
  if (flags == 0x1F) {
    for (uint8_t f : fields) put8(out, f);
    return;
  }
  put8(out, 0x80 | flags);
  for (int i = 0; i < 5; ++i)
    if (fields[i]) put8(out, fields[i]);
}

const int instrumentHeaderSize = 263; // the size trackers write; our fields fill the first 243
const int sampleHeaderSize = 40;

void putInstrument(std::string& out, const XmInstrument& in) {
  size_t start = out.size();
  put32(out, instrumentHeaderSize);
  putText(out, in.name, 22);
  put8(out, 0); // type
  put16(out, 1); // one sample
  put32(out, sampleHeaderSize);
  out.append(96, '\0'); // every note plays sample 0
  for (int i = 0; i < 12; ++i) {
    XmEnvelopePoint p = i < (int)in.envelope.size() ? in.envelope[i] : XmEnvelopePoint{0, 0};
    put16(out, p.tick);
    put16(out, p.value);
  }
  out.append(48, '\0'); // no panning envelope
  put8(out, (int)std::min<size_t>(in.envelope.size(), 12));
  put8(out, 0);
  put8(out, std::max(in.sustainPoint, 0));
  put8(out, 0); // envelope loop start and end
  put8(out, 0);
  put8(out, 0); // panning sustain, loop start and end
  put8(out, 0);
  put8(out, 0);
  put8(out, (in.envelope.empty() ? 0 : 1) | (in.sustainPoint >= 0 ? 2 : 0));
  put8(out, 0);
  put8(out, 0); // vibrato type: sine
  put8(out, in.vibratoSweep);
  put8(out, in.vibratoDepth);
  put8(out, in.vibratoRate);
  put16(out, in.fadeout);
  out.resize(start + instrumentHeaderSize, '\0');

  const bool loops = in.loopLength > 0;
  put32(out, (uint32_t)in.data.size() * 2);
  put32(out, loops ? (uint32_t)in.loopStart * 2 : 0);
  put32(out, loops ? (uint32_t)in.loopLength * 2 : 0);
  put8(out, in.volume);
  put8(out, in.finetune);
  put8(out, 0x10 | (loops ? 1 : 0)); // 16-bit, forward loop
  put8(out, in.panning);
  put8(out, in.relativeNote);
  put8(out, 0);
  putText(out, in.name, 22);

  int16_t previous = 0;
  for (int16_t s : in.data) {
    put16(out, (uint16_t)(s - previous));
    previous = s;
  }
}

} // namespace

std::string writeXm(const XmModule& m) {
  std::string out = "Extended Module: ";
  putText(out, m.title, 20);
  put8(out, 0x1A);
  putText(out, "zubdemo generator", 20);
  put16(out, 0x0104);
  put32(out, 20 + 256); // header size, counted from this field
  put16(out, (int)m.order.size());
  put16(out, m.restart);
  put16(out, m.channels);
  put16(out, (int)m.patterns.size());
  put16(out, (int)m.instruments.size());
  put16(out, 1); // linear frequency table
  put16(out, m.speed);
  put16(out, m.bpm);
  for (int i = 0; i < 256; ++i) put8(out, i < (int)m.order.size() ? m.order[i] : 0);

  for (const XmPattern& p : m.patterns) {
    std::string packed;
    for (int i = 0; i < p.rows * m.channels; ++i) putCell(packed, i < (int)p.cells.size() ? p.cells[i] : XmCell{});
    put32(out, 9);
    put8(out, 0); // packing type
    put16(out, p.rows);
    put16(out, (int)packed.size());
    out += packed;
  }
  for (const XmInstrument& in : m.instruments) putInstrument(out, in);
  return out;
}

} // namespace zub
