#pragma once

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "server/release_client.h"

namespace quillmar::testing {

// A download body played back from a script: fixed chunks (each read returns at
// most one chunk), an optional read error after them, and a hook run before every
// read so a test can act "while the download waits for data".
class ScriptedStream : public ResponseStream {
 public:
  ScriptedStream(int status, std::vector<std::string> chunks) : status_(status), chunks_(std::move(chunks)) {}

  int status() const override { return status_; }
  std::optional<std::string> header(const std::string&) const override { return std::nullopt; }

  Result<std::size_t> read(std::uint8_t* buffer, std::size_t capacity) override {
    const int read = ++record->reads;
    record->largest_request = std::max(record->largest_request, capacity);
    if (before_read) before_read(read);
    while (next_ < chunks_.size() && offset_ == chunks_[next_].size()) {
      ++next_;
      offset_ = 0;
    }
    if (next_ == chunks_.size()) {
      if (error_at_end) return Error{*error_at_end};
      return std::size_t{0};
    }
    const std::string& chunk = chunks_[next_];
    const std::size_t count = std::min(capacity, chunk.size() - offset_);
    std::memcpy(buffer, chunk.data() + offset_, count);
    offset_ += count;
    return count;
  }

  std::function<void(int)> before_read;
  std::optional<std::string> error_at_end;

  // What the stream was asked, kept apart so a test can read it after the worker
  // has dropped the stream.
  struct Record {
    int reads = 0;
    std::size_t largest_request = 0;
  };
  std::shared_ptr<Record> record = std::make_shared<Record>();

 private:
  int status_;
  std::vector<std::string> chunks_;
  std::size_t next_ = 0;
  std::size_t offset_ = 0;
};

// A release client whose only working request is the download, answered by a
// stream the test prepares; it records what it was asked.
class ScriptedClient : public ReleaseClient {
 public:
  const std::string& base_url() const override { return base_url_; }
  ReleaseResult<JsonAnswer> post_json(std::string_view, const nlohmann::json&) const override {
    return ReleaseError{ReleaseError::Kind::kUnavailable, 0, {}};
  }
  ReleaseResult<JsonAnswer> get_json(std::string_view) const override {
    return ReleaseError{ReleaseError::Kind::kUnavailable, 0, {}};
  }
  Result<std::unique_ptr<ResponseStream>> send_download(const DownloadRequest& request) const override {
    ++opened;
    requested_url = request.url;
    requested_limit = request.body_limit;
    requested_cancel = request.cancel;
    if (open_error) return Error{*open_error};
    if (!next_stream) return Error{"no stream scripted"};
    return std::unique_ptr<ResponseStream>(std::move(next_stream));
  }

  mutable std::unique_ptr<ScriptedStream> next_stream;
  std::optional<std::string> open_error;
  mutable std::string requested_url;
  mutable std::chrono::seconds requested_limit{0};
  mutable const std::atomic<bool>* requested_cancel = nullptr;
  mutable int opened = 0;

 private:
  std::string base_url_ = "https://localhost:47443";
};

}  // namespace quillmar::testing
