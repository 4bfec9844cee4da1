#include "platform/message_sink.h"

#include <cstdio>

#include "platform/cp932.h"

namespace ruvel {

void StderrSink::ShowMessage(const std::string& text) {
  std::string u = ToUtf8(text);
  std::fprintf(stderr, "%s\n", u.c_str());
}

void StderrSink::Log(const std::string& text) {
  if (!log_) return;
  std::string u = ToUtf8(text);
  std::fprintf(stderr, "%s\n", u.c_str());
}

namespace {
StderrSink& DefaultSink() {
  static StderrSink sink;
  return sink;
}
MessageSink* g_sink = nullptr;
}  // namespace

MessageSink& Sink() { return g_sink ? *g_sink : DefaultSink(); }

MessageSink* SetSink(MessageSink* sink) {
  MessageSink* old = g_sink ? g_sink : &DefaultSink();
  g_sink = sink;
  return old;
}

}  // namespace ruvel
