#include "platform/TextStream.h"

#include <istream>
#include <ostream>

#include "platform/Format.h"

namespace norvale {

std::ifstream OpenInputFile(const std::string& FileName) {
  std::ifstream File(FileName, std::ios::in | std::ios::binary);
  if (!File.is_open()) throw EStreamError(Format("Cannot open file %s", {FileName}));
  return File;
}

std::ofstream CreateOutputFile(const std::string& FileName) {
  std::ofstream File(FileName, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!File.is_open()) throw EStreamError(Format("Cannot create file %s", {FileName}));
  return File;
}

TGTextStream::TGTextStream(std::string Text) : FText(std::move(Text)) {}
TGTextStream::TGTextStream(std::istream& Stream) : FIn(&Stream) {}
TGTextStream::TGTextStream(std::ostream& Stream) : FOut(&Stream) {}

TGTextStream::TGTextStream(const std::string& FileName, TTextStreamMode Mode) {
  std::ios::openmode M = std::ios::binary;
  M |= Mode == tsmRead
           ? std::ios::in
           : (Mode == tsmAppend ? std::ios::out | std::ios::app : std::ios::out | std::ios::trunc);
  FFile = std::make_unique<std::fstream>(FileName, M);
  if (!FFile->is_open()) throw EStreamError(Format("Cannot open file %s", {FileName}));
  if (Mode == tsmRead)
    FIn = FFile.get();
  else
    FOut = FFile.get();
}

TGTextStream::~TGTextStream() {
  if (FOut) FOut->flush();
}

int TGTextStream::Peek() {
  if (!FBack.empty()) return static_cast<unsigned char>(FBack.back());
  if (FIn) {
    int C = FIn->peek();
    return C == std::char_traits<char>::eof() ? -1 : C;
  }
  return FPos < FText.size() ? static_cast<unsigned char>(FText[FPos]) : -1;
}

int TGTextStream::GetChar() {
  int C;
  if (!FBack.empty()) {
    C = static_cast<unsigned char>(FBack.back());
    FBack.pop_back();
  } else if (FIn) {
    C = FIn->get();
    if (C == std::char_traits<char>::eof()) return -1;
  } else {
    if (FPos >= FText.size()) return -1;
    C = static_cast<unsigned char>(FText[FPos++]);
  }
  if (C == '\n') ++FLine;
  return C;
}

void TGTextStream::PutBack(char C) {
  if (C == '\n' && FLine > 1) --FLine;
  FBack.push_back(C);
}

std::string TGTextStream::GetLine() {
  std::string R;
  for (int C = GetChar(); C >= 0; C = GetChar()) {
    if (C == '\n') break;
    if (C == '\r') {
      if (Peek() == '\n')
        GetChar();
      else
        ++FLine;  // a lone CR ends a line too
      break;
    }
    R += static_cast<char>(C);
  }
  return R;
}

void TGTextStream::SkipInLineSpaces() {
  for (int C = Peek(); C == ' ' || C == '\t'; C = Peek()) GetChar();
}

bool TGTextStream::IsEof() { return Peek() < 0; }

void TGTextStream::Put(const std::string& Text) {
  if (FOut)
    *FOut << Text;
  else
    FWritten += Text;
}

void TGTextStream::PutLine(const std::string& Text) {
  Put(Text);
  PutEOL();
}

void TGTextStream::PutEOL() { Put("\r\n"); }

}  // namespace norvale
