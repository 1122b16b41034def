// MD5 (RFC 1321), for frame hashes that match what ffmpeg's framemd5 prints.
// Not for anything that needs a secure hash.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class Md5 {
 public:
  Md5();
  void update(const void* data, std::size_t size);
  void update(const std::string& text) { update(text.data(), text.size()); }
  // The digest as 32 lowercase hex digits; the hash is done after this.
  std::string hexDigest();

 private:
  void block(const std::uint8_t* data);

  std::array<std::uint32_t, 4> state_;
  std::array<std::uint8_t, 64> pending_{};
  std::size_t pendingSize_ = 0;
  std::uint64_t totalBytes_ = 0;
};
