// The tokenizer of the knowledge language: cuts a text into tokens, keeps the tokens read ahead
// and put back, the line counter and the text of the construct being read for error messages.
#pragma once

#include <deque>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "engine/language/StreamToken.h"

namespace norvale {

class TInferenceEngine;

// What the parser needs of a tokenizer. The parser reads TToken values (Next, Peek, PutBack);
// the object forms (NextToken, PutBackToken, GetCurrentToken) serve other callers.
class TIETokenizerStream : public TObject {
 public:
  // Drops the tokens read ahead and the text of the current construct.
  virtual void Clear() = 0;
  // Drops the rest of the current line.
  virtual void DiscardUntilEOL() = 0;
  // Discards tokens until the parentheses opened so far are closed or the input ends.
  virtual void MoveToNextConstruct() = 0;
  virtual IStreamToken NextToken() = 0;
  // Token is returned again by the next NextToken or Next.
  virtual void PutBackToken(const IStreamToken& Token) = 0;
  // The keyword of the list that starts at the next token, "" when the next token is not "(".
  // A "(" stays unread; any other token is taken.
  virtual std::string Head() = 0;

  virtual TToken Next() = 0;
  // The next token, left unread.
  virtual TToken Peek() = 0;
  // The token taken last is returned again by the next Next.
  virtual void PutBack() = 0;
  // The token taken or put back last (taking one first when there is none yet).
  virtual TToken Current() = 0;
  IStreamToken GetCurrentToken();
  // The blanks, line breaks and comment lines before Token, comment lines ending in CR LF.
  virtual std::string WhiteSpaceOf(const TToken& Token) const = 0;
  // The same, trimmed: the comment written before the token (usually empty, without any copy).
  virtual std::string CommentOf(const TToken& Token) const = 0;
  // The tokens of the current construct taken so far, one source line per line, each followed
  // by a blank.
  virtual std::string GetToString() const = 0;
  virtual int LineNumber() const = 0;
  virtual void SetLineNumber(int Value) = 0;
  // "(" minus ")" among the tokens taken so far; a ")" at depth 0 does not lower it.
  virtual int Depth() const = 0;
};

// The tokenizer of the knowledge language over a text it holds.
class TIEClipsStream : public TIETokenizerStream {
 public:
  explicit TIEClipsStream(std::string Text, TInferenceEngine* Owner = nullptr);
  // Reads the whole stream.
  explicit TIEClipsStream(std::istream& Stream, TInferenceEngine* Owner = nullptr);

  TInferenceEngine* Owner() const noexcept { return FOwner; }
  void SetOwner(TInferenceEngine* Value) noexcept { FOwner = Value; }
  const std::string& Input() const noexcept { return FInput; }

  void Clear() override;
  void DiscardUntilEOL() override;
  void MoveToNextConstruct() override;
  IStreamToken NextToken() override;
  void PutBackToken(const IStreamToken& Token) override;
  std::string Head() override;

  TToken Next() override;
  TToken Peek() override;
  void PutBack() override;
  TToken Current() override;
  std::string WhiteSpaceOf(const TToken& Token) const override;
  std::string CommentOf(const TToken& Token) const override;
  std::string GetToString() const override;
  int LineNumber() const override { return FLine; }
  void SetLineNumber(int Value) override { FLine = Value; }
  int Depth() const override { return FDepth; }

 protected:
  // Reads one token from the text.
  virtual TToken BuildNextToken();
  // Classifies the word or string just read (Kind is ttAtom for a word).
  virtual void FinishToken(TToken& Token);

 private:
  void SkipWhiteSpace();
  void ReadWord(TToken& Token);
  void ReadString(TToken& Token);
  // Keeps Text for the life of the tokenizer.
  std::string_view Store(std::string Text);
  std::string GenerateName(const char* Prefix);
  // Drops the middle of a long construct's tokens; the first and the last ones stay for errors.
  void Compact();
  IStreamToken MakeToken(const TToken& Token) const;

  TInferenceEngine* FOwner;
  std::string FInput;
  size_t FPos = 0;
  int FLine = 1;
  size_t FPendingStart = 0;  // where the whitespace for the next token began
  std::deque<std::string> FStore;
  int FSymbols = 0;  // generated names without an engine

  // The tokens of the construct being read, up to the last one read ahead; FCursor is the next
  // one to hand out.
  std::vector<TToken> FExp;
  size_t FCursor = 0;
  int FReadDepth = 0;        // parentheses of the construct being read
  bool FExpComplete = true;  // the construct is read to its closing ")" (or the end)
  size_t FGapAt = 0;         // tokens were dropped before this index (0: none)
  int FDepth = 0;
  TToken FCurrent;
  bool FHasCurrent = false;
};

}  // namespace norvale
