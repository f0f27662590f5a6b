#include "ffmpeg_decoder.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

#include "ffmpeg_api.h"
#include "icy_title.h"

namespace kaudio {
namespace {

// The most of a live stream's leading digital silence that is skipped.
constexpr long kMaxJoinSilence = kOutputRate / 10;

// Demuxers of audio files and radio streams. Formats that open further
// addresses of their own (playlists, concat) are not among them.
constexpr const char* kFormatWhitelist =
    "mp3,wav,w64,ogg,flac,mov,aac,matroska,webm,asf,aiff,au,ape,wv,mpc,mpc8,tta,caf,amr,ac3,eac3,dts,"
    "xwma,voc,flv,mpeg,mpegts,avi,dsf,truehd,mlp,tak,rm,s3m,mod";

struct FormatCloser {
    void operator()(AVFormatContext* c) const { ff().avformat_close_input(&c); }
};
struct IoCloser {
    void operator()(AVIOContext* c) const { ff().avio_closep(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { ff().avcodec_free_context(&c); }
};
struct SwrCloser {
    void operator()(SwrContext* c) const { ff().swr_free(&c); }
};
struct PacketCloser {
    void operator()(AVPacket* p) const { ff().av_packet_free(&p); }
};
struct FrameCloser {
    void operator()(AVFrame* f) const { ff().av_frame_free(&f); }
};

int mapOpenError(int err) {
    if (err == AVERROR(ENOENT)) return KESTREL_AUDIO_ERR_FILE_NOT_FOUND;
    if (err == AVERROR_EXIT) return KESTREL_AUDIO_ERR_TIMEOUT;
    if (err == AVERROR_HTTP_NOT_FOUND || err == AVERROR_HTTP_BAD_REQUEST ||
        err == AVERROR_HTTP_UNAUTHORIZED || err == AVERROR_HTTP_FORBIDDEN || err == AVERROR_HTTP_OTHER_4XX ||
        err == AVERROR_HTTP_SERVER_ERROR || err == AVERROR(ECONNREFUSED) || err == AVERROR(ECONNRESET) ||
        err == AVERROR(EHOSTUNREACH) || err == AVERROR(ENETUNREACH) || err == AVERROR(EIO))
        return KESTREL_AUDIO_ERR_NET;
    if (err == AVERROR(ETIMEDOUT)) return KESTREL_AUDIO_ERR_TIMEOUT;
    return KESTREL_AUDIO_ERR_FORMAT;
}

// Failures that opening the same address again may mend.
bool networkFailure(int err) {
    return err == AVERROR(ECONNREFUSED) || err == AVERROR(ECONNRESET) || err == AVERROR(ETIMEDOUT) ||
           err == AVERROR(EHOSTUNREACH) || err == AVERROR(ENETUNREACH) || err == AVERROR(EIO) ||
           err == AVERROR(EPIPE) || err == AVERROR_EXIT || err == AVERROR_EOF ||
           err == AVERROR_HTTP_SERVER_ERROR;
}

// The demuxer a server's content type names, so that a live stream starts
// after its first frames instead of after a probe of 128 KB. Null when the
// type says nothing certain: the bytes are probed then.
const AVInputFormat* formatForContentType(std::string_view type) {
    type = type.substr(0, type.find(';'));
    while (!type.empty() && type.back() == ' ') type.remove_suffix(1);
    std::string lower(type);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const char* name = nullptr;
    if (lower == "audio/mpeg" || lower == "audio/mp3" || lower == "audio/mpeg3" || lower == "audio/x-mpeg")
        name = "mp3";
    else if (lower == "audio/aac" || lower == "audio/aacp" || lower == "audio/x-aac")
        name = "aac";
    else if (lower == "audio/ogg" || lower == "application/ogg")
        name = "ogg";
    else if (lower == "audio/flac")
        name = "flac";
    return name ? ff().av_find_input_format(name) : nullptr;
}

std::string ioOption(AVIOContext* pb, const char* name) {
    uint8_t* value = nullptr;
    if (!pb || ff().av_opt_get(pb, name, AV_OPT_SEARCH_CHILDREN, &value) < 0 || !value) return {};
    std::string text(reinterpret_cast<const char*>(value));
    ff().av_free(value);
    return text;
}

std::string errorText(int err) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    ff().av_strerror(err, buf, sizeof buf);
    return buf;
}

class FfmpegDecoder final : public Decoder {
  public:
    FfmpegDecoder(std::string url, bool network, const std::atomic<bool>& abort)
        : url_(std::move(url)), network_(network), abort_(abort) {}

    ~FfmpegDecoder() override {
        resampler_.reset();
        if (inFormat_ >= 0) ff().av_channel_layout_uninit(&inLayout_);
    }

    Status open(Clock::time_point deadline) override {
        // Loaded here, on the decoder's thread, so that the caller never waits for it.
        if (!ffmpegApi())
            return Status::fail(KESTREL_AUDIO_ERR_UNSUPPORTED, "FFmpeg's libraries cannot be loaded");
        deadline_ = openDeadline_ = deadline;
        AVFormatContext* raw = ff().avformat_alloc_context();
        if (!raw) return Status::fail(KESTREL_AUDIO_ERR_MEMORY, "avformat_alloc_context");
        raw->interrupt_callback.callback = &FfmpegDecoder::interrupted;
        raw->interrupt_callback.opaque = this;

        std::unique_ptr<AVFormatContext, FormatCloser> guard(raw);
        const AVInputFormat* known = nullptr;
        if (network_) {
            // The connection is opened first, so that the server's content
            // type can name the demuxer before any audio is read.
            AVDictionary* io = nullptr;
            ff().av_dict_set(&io, "protocol_whitelist", "http,https,tcp,tls", 0);
            ff().av_dict_set(&io, "icy", "1", 0);
            ff().av_dict_set(&io, "user_agent", "Kestrel Player", 0);
            ff().av_dict_set(&io, "reconnect", "0", 0);
            AVIOContext* pb = nullptr;
            int err = ff().avio_open2(&pb, url_.c_str(), AVIO_FLAG_READ, &raw->interrupt_callback, &io);
            ff().av_dict_free(&io);
            if (err < 0) return failed(err, "connect");
            io_.reset(pb);
            raw->pb = pb;
            known = formatForContentType(ioOption(pb, "mime_type"));
            // A live stream announces itself with ICY headers; its end of
            // data is a dropped connection, never the end of the sound.
            live_ = !(pb->seekable & AVIO_SEEKABLE_NORMAL) && !ioOption(pb, "icy_metadata_headers").empty();
            if (live_) joinSilence_ = kMaxJoinSilence;
        }
        AVDictionary* opts = nullptr;
        ff().av_dict_set(&opts, "protocol_whitelist", network_ ? "http,https,tcp,tls" : "file", 0);
        ff().av_dict_set(&opts, "format_whitelist", kFormatWhitelist, 0);
        // Enough to recognise a format and read its first frames quickly;
        // streams announce their parameters in their first frames anyway.
        ff().av_dict_set(&opts, "probesize", network_ ? "65536" : "262144", 0);
        if (network_) ff().av_dict_set(&opts, "formatprobesize", "32768", 0);
        ff().av_dict_set(&opts, "analyzeduration", "500000", 0);
        guard.release();
        int err = ff().avformat_open_input(&raw, url_.c_str(), known, &opts);  // frees raw on failure
        ff().av_dict_free(&opts);
        if (err < 0) return failed(err, "open");
        format_.reset(raw);

        // av_find_best_stream() passes over audio whose rate is not known yet.
        AVStream* stream = nullptr;
        for (unsigned i = 0; i < raw->nb_streams && !stream; ++i) {
            const AVCodecParameters* par = raw->streams[i]->codecpar;
            if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->codec_id != AV_CODEC_ID_NONE) {
                streamIndex_ = static_cast<int>(i);
                stream = raw->streams[i];
            }
        }
        // The decoder learns rate and channels from the first frame, and the
        // resampler is set up from each frame; reading ahead for stream info
        // is needed only when the demuxer did not even name the codec. (On a
        // stream it would wait for far more data than the first sound needs.)
        if (!stream || stream->codecpar->codec_id == AV_CODEC_ID_NONE) {
            err = ff().avformat_find_stream_info(raw, nullptr);
            if (err < 0) return failed(err, "stream info");
            streamIndex_ = ff().av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
            if (streamIndex_ < 0) return Status::fail(KESTREL_AUDIO_ERR_FORMAT, "no audio stream");
            stream = raw->streams[streamIndex_];
        }
        for (unsigned i = 0; i < raw->nb_streams; ++i)
            if (static_cast<int>(i) != streamIndex_) raw->streams[i]->discard = AVDISCARD_ALL;
        timeBase_ = stream->time_base;

        const AVCodec* codec = ff().avcodec_find_decoder(stream->codecpar->codec_id);
        if (!codec) return Status::fail(KESTREL_AUDIO_ERR_FORMAT, "no decoder");
        codec_.reset(ff().avcodec_alloc_context3(codec));
        if (!codec_) return Status::fail(KESTREL_AUDIO_ERR_MEMORY, "avcodec_alloc_context3");
        if (ff().avcodec_parameters_to_context(codec_.get(), stream->codecpar) < 0)
            return Status::fail(KESTREL_AUDIO_ERR_FORMAT, "codec parameters");
        codec_->thread_count = 1;
        codec_->pkt_timebase = stream->time_base;
        err = ff().avcodec_open2(codec_.get(), codec, nullptr);
        if (err < 0) return Status::fail(KESTREL_AUDIO_ERR_FORMAT, "codec open: " + errorText(err));

        // An endless stream has no length and no byte ranges: it cannot seek.
        seekable_ = raw->pb && (raw->pb->seekable & AVIO_SEEKABLE_NORMAL);
        packet_.reset(ff().av_packet_alloc());
        frame_.reset(ff().av_frame_alloc());
        if (!packet_ || !frame_) return Status::fail(KESTREL_AUDIO_ERR_MEMORY, "packet/frame");
        return Status::success();
    }

    long read(float* out, long maxFrames) override {
        long done = 0;
        while (done < maxFrames) {
            // Joined mid-stream, the decoder's first frames are digital
            // silence (their bit reservoir lies before the join): the
            // station is heard that much sooner without them.
            while (joinSilence_ > 0 && pendingAt_ < pending_.size() && pending_[pendingAt_] == 0.0f &&
                   pending_[pendingAt_ + 1] == 0.0f) {
                pendingAt_ += 2;
                --joinSilence_;
            }
            if (pendingAt_ < pending_.size()) {
                joinSilence_ = 0;
                long n = std::min<long>(maxFrames - done, (pending_.size() - pendingAt_) / 2);
                std::memcpy(out + done * 2, pending_.data() + pendingAt_, n * 2 * sizeof(float));
                pendingAt_ += n * 2;
                done += n;
                continue;
            }
            if (ended_) break;
            int r = decodeMore();
            if (r < 0) {
                ended_ = true;
                broken_ = true;
            } else if (r == 0) {
                ended_ = true;
            }
        }
        if (done == 0 && broken_) return -1;
        return done;
    }

    bool seekable() const override { return seekable_; }
    bool network() const override { return network_; }
    bool recoverable() const override { return recoverable_; }
    unsigned positionMs() const override { return static_cast<unsigned>(decodedUntil_ * 1000.0); }

    // What the headers say (the stream info, which would tell more, is not
    // read: see open()), else an estimate from the bit rate and the size.
    unsigned lengthMs() const override {
        if (live_ || !format_ || streamIndex_ < 0) return 0;
        const AVStream* st = format_->streams[streamIndex_];
        int64_t ms = 0;
        if (st->duration > 0)
            ms = ff().av_rescale_q(st->duration, st->time_base, AVRational{1, 1000});
        else if (format_->duration > 0)
            ms = format_->duration / (AV_TIME_BASE / 1000);
        else if (const int64_t size = format_->pb ? ff().avio_size(format_->pb) : -1;
                 size > 0 && st->codecpar->bit_rate > 0)
            ms = size * 8000 / st->codecpar->bit_rate;
        return ms <= 0 ? 0 : ms > UINT32_MAX ? UINT32_MAX : static_cast<unsigned>(ms);
    }

    // The container's tags (ID3, MP4), else the audio stream's (Vorbis comments).
    std::string tag(const char* key) const override {
        if (!format_) return {};
        const AVDictionaryEntry* entry = ff().av_dict_get(format_->metadata, key, nullptr, 0);
        if (!entry && streamIndex_ >= 0)
            entry = ff().av_dict_get(format_->streams[streamIndex_]->metadata, key, nullptr, 0);
        return entry && entry->value ? entry->value : "";
    }

    bool takeTitle(std::string* title) override {
        if (!network_ || !format_) return false;
        std::string block = ioOption(format_->pb, "icy_metadata_packet");
        if (block == lastMetadata_) return false;
        lastMetadata_ = block;
        std::string next = icyTitle(block);
        if (next == title_) return false;
        title_ = next;
        *title = next;
        return true;
    }

    bool seek(unsigned ms) override {
        if (!seekable_) return false;
        int64_t ts = ff().av_rescale_q(static_cast<int64_t>(ms) * 1000, AVRational{1, 1000000}, timeBase_);
        AVStream* st = format_->streams[streamIndex_];
        if (st->start_time != AV_NOPTS_VALUE) ts += st->start_time;
        deadline_ = Clock::now() + kNetworkBound;
        timedOut_ = false;
        if (ff().av_seek_frame(format_.get(), streamIndex_, ts, AVSEEK_FLAG_BACKWARD) < 0) return false;
        ff().avcodec_flush_buffers(codec_.get());
        resampler_.reset();
        pending_.clear();
        pendingAt_ = 0;
        ended_ = broken_ = draining_ = false;
        skipUntil_ = ms / 1000.0;
        return true;
    }

  private:
    // An open that failed: whether trying again may help, and why.
    Status failed(int err, const char* step) {
        recoverable_ = network_ && networkFailure(err) && !abort_.load();
        return Status::fail(mapOpenError(err), std::string(step) + ": " + errorText(err));
    }

    static int interrupted(void* opaque) {
        auto* self = static_cast<FfmpegDecoder*>(opaque);
        if (self->abort_.load(std::memory_order_relaxed)) return 1;
        // Once a wait has run out the stream is broken: later reads fail at
        // once instead of each waiting out a bound of its own.
        if (!self->timedOut_ && Clock::now() > self->deadline_) self->timedOut_ = true;
        return self->timedOut_ ? 1 : 0;
    }

    // Fills pending_ with the next decoded frames. 1: got some (or may get
    // more), 0: end of source, -1: the source broke off.
    int decodeMore() {
        pending_.clear();
        pendingAt_ = 0;
        for (;;) {
            int err = ff().avcodec_receive_frame(codec_.get(), frame_.get());
            if (err == 0) {
                convert(frame_.get());
                ff().av_frame_unref(frame_.get());
                if (!pending_.empty()) return 1;
                continue;
            }
            if (err == AVERROR_EOF) {
                flushResampler();
                return pending_.empty() ? 0 : 1;
            }
            if (err != AVERROR(EAGAIN)) return -1;
            if (draining_) return 0;
            // Each read gets its own bound: a stream that sends nothing for
            // that long is broken.
            // Until the first audio, the open's own bound still holds.
            if (decodedUntil_ == 0 && network_)
                deadline_ = openDeadline_;
            else
                deadline_ = Clock::now() + (network_ ? kStallBound : kNetworkBound);
            err = ff().av_read_frame(format_.get(), packet_.get());
            if (err < 0) {
                if (abort_.load()) return -1;
                AVIOContext* pb = format_->pb;
                bool eof = err == AVERROR_EOF || (pb && ff().avio_feof(pb) && !pb->error);
                // The end of a live stream, or a connection that ended
                // before the file's length, is a dropped connection. A
                // demuxer that is done before the last byte (an MP4 whose
                // index follows its audio) has not reached the connection's
                // end: that is the end of the sound.
                if (eof && network_ &&
                    (live_ || (seekable_ && pb && pb->eof_reached && ff().avio_size(pb) > 0 &&
                               ff().avio_seek(pb, 0, SEEK_CUR) < ff().avio_size(pb))))
                    eof = false;
                if (!eof) {
                    broken_ = true;
                    recoverable_ = network_;
                }
                draining_ = true;
                ff().avcodec_send_packet(codec_.get(), nullptr);
                continue;
            }
            if (packet_->stream_index == streamIndex_) {
                err = ff().avcodec_send_packet(codec_.get(), packet_.get());
                // A damaged packet is skipped; the decoder resynchronises.
                (void)err;
            }
            ff().av_packet_unref(packet_.get());
        }
    }

    bool ensureResampler(const AVFrame* f) {
        if (resampler_ && f->sample_rate == inRate_ && f->format == inFormat_ &&
            ff().av_channel_layout_compare(&f->ch_layout, &inLayout_) == 0)
            return true;
        flushResampler();
        resampler_.reset();
        ff().av_channel_layout_uninit(&inLayout_);
        if (ff().av_channel_layout_copy(&inLayout_, &f->ch_layout) < 0) return false;
        if (inLayout_.order == AV_CHANNEL_ORDER_UNSPEC)
            ff().av_channel_layout_default(&inLayout_, f->ch_layout.nb_channels);
        inRate_ = f->sample_rate;
        inFormat_ = f->format;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        SwrContext* swr = nullptr;
        if (ff().swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLT, kOutputRate, &inLayout_,
                                     static_cast<AVSampleFormat>(inFormat_), inRate_, 0, nullptr) < 0)
            return false;
        if (inLayout_.nb_channels == 1) {
            // Mono plays at full level on both sides, not 3 dB down.
            const double matrix[2] = {1.0, 1.0};
            ff().swr_set_matrix(swr, matrix, 1);
        }
        if (ff().swr_init(swr) < 0) {
            ff().swr_free(&swr);
            return false;
        }
        resampler_.reset(swr);
        return true;
    }

    void convert(const AVFrame* f) {
        if (f->nb_samples <= 0 || f->sample_rate <= 0 || !ensureResampler(f)) return;
        const uint8_t** in = const_cast<const uint8_t**>(f->extended_data);
        int count = f->nb_samples;
        int skip = 0;
        if (f->best_effort_timestamp != AV_NOPTS_VALUE) {
            int64_t pts = f->best_effort_timestamp;
            AVStream* st = format_->streams[streamIndex_];
            if (st->start_time != AV_NOPTS_VALUE) pts -= st->start_time;
            decodedUntil_ = pts * av_q2d(timeBase_) + static_cast<double>(count) / f->sample_rate;
        } else {
            decodedUntil_ += static_cast<double>(count) / f->sample_rate;
        }
        if (skipUntil_ > 0) {
            int64_t pts = f->best_effort_timestamp;
            if (pts != AV_NOPTS_VALUE) {
                AVStream* st = format_->streams[streamIndex_];
                if (st->start_time != AV_NOPTS_VALUE) pts -= st->start_time;
                double start = pts * av_q2d(timeBase_);
                double end = start + static_cast<double>(count) / f->sample_rate;
                if (end <= skipUntil_) return;
                if (start < skipUntil_) skip = static_cast<int>((skipUntil_ - start) * f->sample_rate);
            }
            skipUntil_ = 0;
        }
        skip = std::min(skip, count);
        int bytesPerSample = ff().av_get_bytes_per_sample(static_cast<AVSampleFormat>(f->format));
        bool planar = ff().av_sample_fmt_is_planar(static_cast<AVSampleFormat>(f->format));
        const uint8_t* shifted[AV_NUM_DATA_POINTERS * 8];
        int planes = planar ? f->ch_layout.nb_channels : 1;
        if (skip > 0) {
            if (planes > static_cast<int>(sizeof shifted / sizeof shifted[0])) return;
            int step = skip * bytesPerSample * (planar ? 1 : f->ch_layout.nb_channels);
            for (int p = 0; p < planes; ++p) shifted[p] = in[p] + step;
            in = shifted;
            count -= skip;
        }
        int capacity = ff().swr_get_out_samples(resampler_.get(), count);
        if (capacity <= 0) return;
        pending_.resize(static_cast<size_t>(capacity) * 2);
        uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(pending_.data())};
        int got = ff().swr_convert(resampler_.get(), outPlanes, capacity, in, count);
        pending_.resize(got > 0 ? static_cast<size_t>(got) * 2 : 0);
    }

    void flushResampler() {
        if (!resampler_) return;
        int capacity = ff().swr_get_out_samples(resampler_.get(), 0);
        if (capacity <= 0) return;
        size_t at = pending_.size();
        pending_.resize(at + static_cast<size_t>(capacity) * 2);
        uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(pending_.data() + at)};
        int got = ff().swr_convert(resampler_.get(), outPlanes, capacity, nullptr, 0);
        pending_.resize(at + (got > 0 ? static_cast<size_t>(got) * 2 : 0));
    }

    const std::string url_;
    const bool network_;
    const std::atomic<bool>& abort_;
    Clock::time_point deadline_;  // read by the interrupt callback on this thread
    Clock::time_point openDeadline_;
    bool timedOut_ = false;  // likewise

    std::unique_ptr<AVIOContext, IoCloser> io_;  // an address's connection; outlives format_
    std::unique_ptr<AVFormatContext, FormatCloser> format_;
    std::unique_ptr<AVCodecContext, CodecCloser> codec_;
    std::unique_ptr<SwrContext, SwrCloser> resampler_;
    std::unique_ptr<AVPacket, PacketCloser> packet_;
    std::unique_ptr<AVFrame, FrameCloser> frame_;
    AVChannelLayout inLayout_{};
    int inRate_ = 0;
    int inFormat_ = -1;
    int streamIndex_ = -1;
    AVRational timeBase_{1, 1};
    bool seekable_ = false;
    bool ended_ = false;
    bool broken_ = false;
    bool draining_ = false;
    bool live_ = false;         // an endless radio stream
    long joinSilence_ = 0;      // frames of leading silence that may still be skipped
    bool recoverable_ = false;  // see Decoder::recoverable()
    double decodedUntil_ = 0;   // seconds: the end of the audio decoded so far
    std::string lastMetadata_;  // the ICY block last seen
    std::string title_;         // its title
    double skipUntil_ = 0;      // seconds: decoded audio before this is dropped after a seek
    std::vector<float> pending_;
    size_t pendingAt_ = 0;
};

}  // namespace

std::unique_ptr<Decoder> makeFfmpegDecoder(std::string url, bool network, const std::atomic<bool>& abort) {
    return std::make_unique<FfmpegDecoder>(std::move(url), network, abort);
}

}  // namespace kaudio
