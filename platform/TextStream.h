// A text stream with put-back over a string, an input stream or a file, for the tokenizer and the
// engine's named streams.
#pragma once

#include <fstream>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "platform/Classes.h"

namespace norvale {

enum TTextStreamMode { tsmRead, tsmWrite, tsmAppend };

// A file opened for reading in binary mode; EStreamError "Cannot open file %s" when that fails.
std::ifstream OpenInputFile(const std::string& FileName);
// A file created (or emptied) for writing in binary mode; EStreamError "Cannot create file %s".
std::ofstream CreateOutputFile(const std::string& FileName);

class TGTextStream : public TObject {
 public:
  // Reads Text.
  explicit TGTextStream(std::string Text);
  // Reads or writes Stream, which the caller keeps.
  explicit TGTextStream(std::istream& Stream);
  explicit TGTextStream(std::ostream& Stream);
  // Opens a file (EStreamError "Cannot open file %s" when that fails).
  TGTextStream(const std::string& FileName, TTextStreamMode Mode);
  ~TGTextStream() override;

  // The next character, or -1 at the end.
  int GetChar();
  // Gives back a character: the next GetChar returns it again (any number may be given back).
  void PutBack(char C);
  // The rest of the current line without its line end (CR LF, LF or CR); "" at the end.
  std::string GetLine();
  // Skips blanks and tabs on the current line.
  void SkipInLineSpaces();
  bool IsEof();
  // The line being read (1 for the first).
  int LineNumber() const noexcept { return FLine; }

  void Put(const std::string& Text);
  void PutLine(const std::string& Text);
  void PutEOL();
  // What was written to a stream made from a string (for tests and captures).
  const std::string& Written() const noexcept { return FWritten; }

 private:
  int Peek();
  std::string FText;
  size_t FPos = 0;
  std::istream* FIn = nullptr;
  std::ostream* FOut = nullptr;
  std::unique_ptr<std::fstream> FFile;
  std::vector<char> FBack;
  std::string FWritten;
  int FLine = 1;
};

}  // namespace norvale
