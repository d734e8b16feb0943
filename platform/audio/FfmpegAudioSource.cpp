#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

#include "AudioSource.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace platform::audio {
namespace {

std::string describe(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {0};
  if (av_strerror(code, text, sizeof text) < 0) return "error " + std::to_string(code);
  return text;
}

std::uint32_t littleEndian(const unsigned char* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

// The length a RIFF WAVE file's header gives its data, in seconds. FFmpeg
// quietly shortens a data chunk that runs past the end of the file, so a cut
// file would otherwise look complete. Nothing when the header does not say
// (no size, or the streaming placeholder sizes 0 and 0xFFFFFFFF).
std::optional<double> statedWaveSeconds(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  unsigned char head[12];
  std::optional<double> seconds;
  std::uint32_t bytesPerSecond = 0;
  if (std::fread(head, 1, 12, file) == 12 && std::memcmp(head, "RIFF", 4) == 0 &&
      std::memcmp(head + 8, "WAVE", 4) == 0) {
    unsigned char chunk[8];
    for (int i = 0; i < 64 && std::fread(chunk, 1, 8, file) == 8; ++i) {
      const std::uint32_t size = littleEndian(chunk + 4, 4);
      if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
        // Format, channels, sample rate, then bytes per second.
        unsigned char format[12];
        if (std::fread(format, 1, 12, file) != 12) break;
        bytesPerSecond = littleEndian(format + 8, 4);
        if (std::fseek(file, long(size) - 12 + long(size & 1), SEEK_CUR) != 0) break;
      } else if (std::memcmp(chunk, "data", 4) == 0) {
        if (size != 0 && size != 0xFFFFFFFFu && bytesPerSecond != 0) {
          seconds = double(size) / bytesPerSecond;
        }
        break;
      } else if (std::fseek(file, long(size) + long(size & 1), SEEK_CUR) != 0) {
        break;
      }
    }
  }
  std::fclose(file);
  return seconds;
}

class FfmpegAudioSource : public AudioSource {
 public:
  explicit FfmpegAudioSource(int rate) : rate_(rate) {}

  ~FfmpegAudioSource() override {
    swr_free(&resampler_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
  }

  FfmpegAudioSource(const FfmpegAudioSource&) = delete;
  FfmpegAudioSource& operator=(const FfmpegAudioSource&) = delete;

  std::string open(const std::string& path) {
    AVDictionary* options = nullptr;
    // Local files only: a playlist inside a file must not reach the network.
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    int rc = avformat_open_input(&format_, path.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (rc < 0) return describe(rc);
    if (std::strcmp(format_->iformat->name, "wav") == 0) statedSeconds_ = statedWaveSeconds(path);
    rc = avformat_find_stream_info(format_, nullptr);
    if (rc < 0) return describe(rc);
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
      if (format_->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
        stream_ = static_cast<int>(i);
        break;
      }
    }
    if (stream_ < 0) return "no audio stream in the file";
    const AVCodecParameters* parameters = format_->streams[stream_]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    if (decoder == nullptr) return "no decoder for the file's audio codec";
    codec_ = avcodec_alloc_context3(decoder);
    if (codec_ == nullptr) return describe(AVERROR(ENOMEM));
    if ((rc = avcodec_parameters_to_context(codec_, parameters)) < 0) return describe(rc);
    codec_->thread_count = 1;
    if ((rc = avcodec_open2(codec_, decoder, nullptr)) < 0) return describe(rc);
    if (codec_->sample_rate <= 0) return "the audio stream has no sample rate";
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (packet_ == nullptr || frame_ == nullptr) return describe(AVERROR(ENOMEM));
    return {};
  }

  std::size_t read(std::span<float> out) override {
    std::size_t written = 0;
    while (written < out.size()) {
      if (!pending_.empty()) {
        const std::size_t take = std::min(out.size() - written, pending_.size() - pendingPos_);
        std::memcpy(out.data() + written, pending_.data() + pendingPos_, take * sizeof(float));
        written += take;
        pendingPos_ += take;
        if (pendingPos_ == pending_.size()) {
          pending_.clear();
          pendingPos_ = 0;
        }
        continue;
      }
      if (finished_ || !decodeMore()) break;
    }
    return written;
  }

  std::optional<std::string> error() const override { return error_; }
  int sampleRate() const override { return rate_; }

 private:
  // Decodes until some samples are pending, or the stream is over.
  bool decodeMore() {
    while (pending_.empty()) {
      const int rc = avcodec_receive_frame(codec_, frame_);
      if (rc == 0) {
        const bool ok = convert(frame_);
        av_frame_unref(frame_);
        if (!ok) return false;
        continue;
      }
      if (rc == AVERROR_EOF) {
        flushResampler();
        finished_ = true;
        checkStatedLength();
        return !pending_.empty();
      }
      if (rc != AVERROR(EAGAIN)) return fail(rc);
      if (!feedPacket()) return false;
    }
    return true;
  }

  // Sends the next packet of our stream to the decoder, or starts the drain at
  // the end of the file.
  bool feedPacket() {
    for (;;) {
      if (draining_) return fail(AVERROR_BUG);
      const int rc = av_read_frame(format_, packet_);
      if (rc == AVERROR_EOF) {
        draining_ = true;
        const int sent = avcodec_send_packet(codec_, nullptr);
        if (sent < 0 && sent != AVERROR_EOF) return fail(sent);
        return true;
      }
      if (rc < 0) return fail(rc);
      if (packet_->stream_index != stream_) {
        av_packet_unref(packet_);
        continue;
      }
      const int sent = avcodec_send_packet(codec_, packet_);
      av_packet_unref(packet_);
      if (sent < 0 && sent != AVERROR(EAGAIN)) return fail(sent);
      return true;
    }
  }

  bool ensureResampler(const AVFrame* frame) {
    if (resampler_ != nullptr) return true;
    AVChannelLayout in{};
    if (frame->ch_layout.nb_channels > 0 && frame->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC) {
      av_channel_layout_copy(&in, &frame->ch_layout);
    } else {
      av_channel_layout_default(&in, std::max(1, frame->ch_layout.nb_channels));
    }
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    const int rc = swr_alloc_set_opts2(&resampler_, &mono, AV_SAMPLE_FMT_FLT, rate_, &in,
                                       static_cast<AVSampleFormat>(frame->format),
                                       frame->sample_rate, 0, nullptr);
    const int channels = in.nb_channels;
    av_channel_layout_uninit(&in);
    if (rc < 0) return fail(rc);
    // Mono is the mean of the channels, so a tone keeps its level whatever the
    // channel count (the library's default adds them at -3 dB each).
    std::vector<double> mean(static_cast<std::size_t>(channels), 1.0 / channels);
    if (const int set = swr_set_matrix(resampler_, mean.data(), channels); set < 0) return fail(set);
    const int init = swr_init(resampler_);
    if (init < 0) return fail(init);
    inputRate_ = frame->sample_rate;
    inputFormat_ = frame->format;
    inputChannels_ = frame->ch_layout.nb_channels;
    return true;
  }

  // A container that states its stream's length but runs out of data well
  // before it was cut short (a partial copy or download). That is a failure,
  // not the end of the audio. Lengths estimated from the bit rate prove
  // nothing and are not checked.
  void checkStatedLength() {
    const AVStream* stream = format_->streams[stream_];
    double stated = statedSeconds_.value_or(0);
    if (format_->duration_estimation_method == AVFMT_DURATION_FROM_STREAM &&
        stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
      stated = std::max(stated, static_cast<double>(stream->duration) * av_q2d(stream->time_base));
    }
    const double decoded = static_cast<double>(inputSamples_) / codec_->sample_rate;
    // Encoder delay and padding account for a few hundredths of a second.
    if (decoded + 0.1 < stated) {
      char text[96];
      std::snprintf(text, sizeof text, "the file is cut short (it states %.3f s)", stated);
      failWith(text);
    }
  }

  bool convert(const AVFrame* frame) {
    if (frame->nb_samples <= 0) return true;
    inputSamples_ += frame->nb_samples;
    if (!ensureResampler(frame)) return false;
    if (frame->sample_rate != inputRate_) {
      return failWith("the sample rate changes inside the stream");
    }
    // The resampler reads as many planes, of the kind, it was set up for.
    if (frame->format != inputFormat_ || frame->ch_layout.nb_channels != inputChannels_ ||
        frame->extended_data == nullptr) {
      return failWith("the sample format or channel count changes inside the stream");
    }
    const int capacity = swr_get_out_samples(resampler_, frame->nb_samples);
    if (capacity < 0) return fail(capacity);
    pending_.resize(static_cast<std::size_t>(capacity));
    auto* out = reinterpret_cast<std::uint8_t*>(pending_.data());
    const int got = swr_convert(resampler_, &out, capacity,
                                const_cast<const std::uint8_t**>(frame->extended_data),
                                frame->nb_samples);
    if (got < 0) {
      pending_.clear();
      return fail(got);
    }
    pending_.resize(static_cast<std::size_t>(got));
    pendingPos_ = 0;
    return true;
  }

  void flushResampler() {
    if (resampler_ == nullptr) return;
    const int capacity = swr_get_out_samples(resampler_, 0);
    if (capacity <= 0) return;
    pending_.resize(static_cast<std::size_t>(capacity));
    auto* out = reinterpret_cast<std::uint8_t*>(pending_.data());
    const int got = swr_convert(resampler_, &out, capacity, nullptr, 0);
    pending_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    pendingPos_ = 0;
  }

  bool fail(int code) { return failWith(describe(code)); }
  bool failWith(std::string message) {
    if (!error_) error_ = std::move(message);
    finished_ = true;
    return false;
  }

  int rate_;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  SwrContext* resampler_ = nullptr;
  int stream_ = -1;
  int inputRate_ = 0;
  int inputFormat_ = -1;
  int inputChannels_ = 0;
  std::int64_t inputSamples_ = 0;
  std::optional<double> statedSeconds_;
  bool draining_ = false;
  bool finished_ = false;
  std::vector<float> pending_;
  std::size_t pendingPos_ = 0;
  std::optional<std::string> error_;
};

}  // namespace

// The largest single allocation the decoding library may make.
constexpr std::size_t kMaxAllocationBytes = std::size_t(64) << 20;

OpenResult openAudioFile(const std::string& path, int sampleRate) {
  // The library's own log would reach our standard error, which belongs to
  // the programs' failure lines.
  av_log_set_level(AV_LOG_QUIET);
  // The demuxers size some buffers from lengths stated in the file: a damaged
  // WAVE header made one zero 1.8 GB before the file was refused. No packet,
  // frame or tag the programs read comes near this bound.
  static const bool allocationsBounded = (av_max_alloc(kMaxAllocationBytes), true);
  (void)allocationsBounded;
  if (sampleRate <= 0) return {nullptr, "invalid sample rate"};
  auto source = std::make_unique<FfmpegAudioSource>(sampleRate);
  std::string error = source->open(path);
  if (!error.empty()) return {nullptr, std::move(error)};
  return {std::move(source), {}};
}

}  // namespace platform::audio
