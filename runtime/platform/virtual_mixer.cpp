// The virtual mixer: sounds that last their length on the clock seam, and a log of every start.
#include "virtual_mixer.h"

#include <vorbis/vorbisfile.h>

#include <utility>

#include "platform.h"

namespace plat {

struct VirtualMixer::Chunk {
    const uint8_t* bytes = nullptr;  // the caller's samples (raw chunks only)
    uint32_t length_bytes = 0;
    std::string kind;
    std::string what;
    std::vector<uint8_t> kept;  // copy of the samples when the mixer keeps them
};

struct VirtualMixer::Music {
    std::string name;
    double length_ms = 0;
};

namespace {
constexpr int kMusicTypeOgg = 5;  // what SDL_mixer 1.2 reports for an Ogg Vorbis stream

template <typename T>
T* Own(const std::map<const T*, std::unique_ptr<T>>& owned, const void* handle) {
    const auto found = owned.find(static_cast<const T*>(handle));
    return found == owned.end() ? nullptr : found->second.get();
}

std::string LogLine(const VirtualStart& start) {
    std::string line = std::to_string(start.start_ms) + " " + start.kind;
    if (!start.what.empty()) line += " " + start.what;
    return line;
}

}  // namespace

VirtualMixer::VirtualMixer(bool keep_samples) : keep_samples_(keep_samples), channels_(8) {}

VirtualMixer::~VirtualMixer() = default;

double VirtualMixer::now_ms() const {
    Clock* clock = Plat().clock;
    return clock == nullptr ? 0.0 : static_cast<double>(clock->ticks_ms());
}

double VirtualMixer::length_ms(uint32_t length_bytes) const {
    const double frame_bytes = 2.0 * output_channels_;
    return length_bytes / frame_bytes * 1000.0 / frequency_hz_;
}

bool VirtualMixer::channel_sounding(const Channel& channel, double now) const {
    if (channel.chunk == nullptr) return false;
    if (channel.paused || channel.loops < 0) return true;
    const double played = now - channel.start_ms;
    if (channel.limit_ms >= 0 && played >= channel.limit_ms) return false;
    return played < length_ms(channel.chunk->length_bytes) * (channel.loops + 1);
}

bool VirtualMixer::music_sounding(double now) const {
    if (current_music_ == nullptr) return false;
    if (music_paused_ || music_loops_ < 0) return true;
    return now - music_start_ms_ < current_music_->length_ms * (music_loops_ + 1);
}

void VirtualMixer::record_start(int channel, const std::string& kind, const std::string& what,
                                uint32_t length_bytes, const std::vector<uint8_t>& bytes) {
    VirtualStart start;
    start.start_ms = static_cast<uint32_t>(now_ms());
    start.channel = channel;
    start.kind = kind;
    start.what = what;
    start.length_bytes = length_bytes;
    start.bytes = bytes;
    if (log_file_ != nullptr) {
        const std::string line = LogLine(start) + "\n";
        std::fwrite(line.data(), 1, line.size(), log_file_);
        return;
    }
    starts_.push_back(std::move(start));
}

int64_t VirtualMixer::file_frames(const std::string& path) const {
    OggVorbis_File file;
    if (ov_fopen(path.c_str(), &file) != 0) return -1;
    const ogg_int64_t frames = ov_pcm_total(&file, -1);
    const vorbis_info* info = ov_info(&file, -1);
    const long rate = info == nullptr ? 0 : info->rate;
    ov_clear(&file);
    if (frames < 0 || rate <= 0) return -1;
    return static_cast<int64_t>(frames) * frequency_hz_ / rate;
}

bool VirtualMixer::open_audio(int frequency_hz, uint16_t /*format*/, int channels,
                              int /*chunk_frames*/) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (refuse_open_ || frequency_hz <= 0 || channels <= 0) return false;
    open_ = true;
    ++open_count_;
    frequency_hz_ = frequency_hz;
    output_channels_ = channels;
    return true;
}

void VirtualMixer::close_audio() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    for (Channel& channel : channels_) channel = Channel{};
    current_music_ = nullptr;
}

int VirtualMixer::allocate_channels(int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (count >= 0) channels_.resize(static_cast<size_t>(count));
    return static_cast<int>(channels_.size());
}

MixerChunk* VirtualMixer::quick_load_raw(uint8_t* bytes, uint32_t length_bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_ || bytes == nullptr) return nullptr;
    auto chunk = std::make_unique<Chunk>();
    chunk->bytes = bytes;
    chunk->length_bytes = length_bytes;
    if (keep_samples_) chunk->kept.assign(bytes, bytes + length_bytes);
    Chunk* handle = chunk.get();
    chunks_.emplace(handle, std::move(chunk));
    return reinterpret_cast<MixerChunk*>(handle);
}

void VirtualMixer::set_file_open_wait(std::function<void()> wait) {
    file_open_wait_ = std::move(wait);
}

// A slow decode keeps the caller busy, not the mixer: the wait holds no lock.
void VirtualMixer::wait_as_decoding() const {
    if (file_open_wait_) file_open_wait_();
}

MixerChunk* VirtualMixer::load_wav(const std::string& path) {
    wait_as_decoding();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return nullptr;
    const int64_t frames = file_frames(path);
    if (frames < 0) return nullptr;
    auto chunk = std::make_unique<Chunk>();
    chunk->length_bytes = static_cast<uint32_t>(frames * 2 * output_channels_);
    chunk->kind = "file";
    chunk->what = path;
    Chunk* handle = chunk.get();
    chunks_.emplace(handle, std::move(chunk));
    return reinterpret_cast<MixerChunk*>(handle);
}

uint32_t VirtualMixer::chunk_length_bytes(const MixerChunk* chunk) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Chunk* own = Own(chunks_, chunk);
    return own == nullptr ? 0 : own->length_bytes;
}

void VirtualMixer::free_chunk(MixerChunk* chunk) {
    std::lock_guard<std::mutex> lock(mutex_);
    Chunk* own = Own(chunks_, chunk);
    if (own == nullptr) return;
    // Like the real mixer, freeing a chunk stops every channel that plays it.
    for (Channel& channel : channels_) {
        if (channel.chunk == own) channel = Channel{.volume = channel.volume};
    }
    chunks_.erase(own);
}

void VirtualMixer::describe_chunk(MixerChunk* chunk, const std::string& kind,
                                  const std::string& what) {
    std::lock_guard<std::mutex> lock(mutex_);
    Chunk* own = Own(chunks_, chunk);
    if (own == nullptr) return;
    own->kind = kind;
    own->what = what;
}

int VirtualMixer::volume(int channel, int volume) {
    std::lock_guard<std::mutex> lock(mutex_);
    const int clamped = volume > 128 ? 128 : volume;
    if (channel < 0) {
        int total = 0;
        for (Channel& each : channels_) {
            total += each.volume;
            if (clamped >= 0) each.volume = clamped;
        }
        return channels_.empty() ? 0 : total / static_cast<int>(channels_.size());
    }
    if (static_cast<size_t>(channel) >= channels_.size()) return 0;
    const int previous = channels_[static_cast<size_t>(channel)].volume;
    if (clamped >= 0) channels_[static_cast<size_t>(channel)].volume = clamped;
    return previous;
}

int VirtualMixer::play_channel_timed(int channel, MixerChunk* chunk, int loops, int limit_ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    Chunk* own = Own(chunks_, chunk);
    if (!open_ || own == nullptr) return -1;
    const double now = now_ms();
    if (channel < 0) {
        for (size_t i = 0; i < channels_.size(); ++i) {
            if (!channel_sounding(channels_[i], now)) {
                channel = static_cast<int>(i);
                break;
            }
        }
        if (channel < 0) return -1;
    }
    if (static_cast<size_t>(channel) >= channels_.size()) return -1;
    Channel& target = channels_[static_cast<size_t>(channel)];
    target.chunk = own;
    target.start_ms = now;
    target.loops = loops;
    target.limit_ms = limit_ms;
    target.paused = false;
    record_start(channel, own->kind, own->what, own->length_bytes, own->kept);
    return channel;
}

void VirtualMixer::halt_channel(int channel) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < channels_.size(); ++i) {
        if (channel < 0 || static_cast<size_t>(channel) == i) {
            channels_[i].chunk = nullptr;
            channels_[i].paused = false;
        }
    }
}

bool VirtualMixer::playing(int channel) {
    std::lock_guard<std::mutex> lock(mutex_);
    const double now = now_ms();
    for (size_t i = 0; i < channels_.size(); ++i) {
        if ((channel < 0 || static_cast<size_t>(channel) == i) &&
            channel_sounding(channels_[i], now)) {
            return true;
        }
    }
    return false;
}

void VirtualMixer::pause(int channel) {
    std::lock_guard<std::mutex> lock(mutex_);
    const double now = now_ms();
    for (size_t i = 0; i < channels_.size(); ++i) {
        Channel& each = channels_[i];
        if ((channel < 0 || static_cast<size_t>(channel) == i) && !each.paused &&
            channel_sounding(each, now)) {
            each.paused = true;
            each.paused_at_ms = now;
        }
    }
}

void VirtualMixer::resume(int channel) {
    std::lock_guard<std::mutex> lock(mutex_);
    const double now = now_ms();
    for (size_t i = 0; i < channels_.size(); ++i) {
        Channel& each = channels_[i];
        if ((channel < 0 || static_cast<size_t>(channel) == i) && each.paused) {
            each.paused = false;
            each.start_ms += now - each.paused_at_ms;
        }
    }
}

void VirtualMixer::set_position(int channel, int16_t angle_degrees, uint8_t distance) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (channel < 0 || static_cast<size_t>(channel) >= channels_.size()) return;
    channels_[static_cast<size_t>(channel)].angle_degrees = angle_degrees;
    channels_[static_cast<size_t>(channel)].distance = distance;
}

MixerMusic* VirtualMixer::load_music(const std::string& path) {
    wait_as_decoding();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return nullptr;
    const int64_t frames = file_frames(path);
    if (frames < 0) return nullptr;
    auto music = std::make_unique<Music>();
    music->name = path;
    music->length_ms = static_cast<double>(frames) * 1000.0 / frequency_hz_;
    Music* handle = music.get();
    music_.emplace(handle, std::move(music));
    return reinterpret_cast<MixerMusic*>(handle);
}

void VirtualMixer::free_music(MixerMusic* music) {
    std::lock_guard<std::mutex> lock(mutex_);
    Music* own = Own(music_, music);
    if (own == nullptr) return;
    if (current_music_ == own) current_music_ = nullptr;  // freeing the playing music stops it
    music_.erase(own);
}

int VirtualMixer::music_type(const MixerMusic* music) {
    std::lock_guard<std::mutex> lock(mutex_);
    return Own(music_, music) == nullptr ? 0 : kMusicTypeOgg;
}

int VirtualMixer::play_music(MixerMusic* music, int loops) {
    std::lock_guard<std::mutex> lock(mutex_);
    Music* own = Own(music_, music);
    if (!open_ || own == nullptr) return -1;
    current_music_ = own;
    music_start_ms_ = now_ms();
    music_loops_ = loops == 0 ? 0 : (loops < 0 ? -1 : loops - 1);
    music_paused_ = false;
    record_start(-1, "file", own->name, 0, {});
    return 0;
}

void VirtualMixer::halt_music() {
    std::lock_guard<std::mutex> lock(mutex_);
    current_music_ = nullptr;
    music_paused_ = false;
}

void VirtualMixer::pause_music() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (current_music_ == nullptr || music_paused_) return;
    music_paused_ = true;
    music_paused_at_ms_ = now_ms();
}

void VirtualMixer::resume_music() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!music_paused_) return;
    music_paused_ = false;
    music_start_ms_ += now_ms() - music_paused_at_ms_;
}

void VirtualMixer::rewind_music() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (current_music_ != nullptr) music_start_ms_ = music_paused_ ? music_paused_at_ms_ : now_ms();
}

int VirtualMixer::set_music_position(double seconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (current_music_ == nullptr) return -1;
    const double reference = music_paused_ ? music_paused_at_ms_ : now_ms();
    music_start_ms_ = reference - seconds * 1000.0;
    return 0;
}

bool VirtualMixer::playing_music() {
    std::lock_guard<std::mutex> lock(mutex_);
    return music_sounding(now_ms());
}

int VirtualMixer::volume_music(int volume) {
    std::lock_guard<std::mutex> lock(mutex_);
    const int previous = music_volume_;
    if (volume >= 0) music_volume_ = volume > 128 ? 128 : volume;
    return previous;
}

void VirtualMixer::refuse_open(bool refuse) {
    std::lock_guard<std::mutex> lock(mutex_);
    refuse_open_ = refuse;
}

bool VirtualMixer::is_open() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

int VirtualMixer::open_count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_count_;
}

std::vector<VirtualStart> VirtualMixer::starts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return starts_;
}

std::vector<std::string> VirtualMixer::log_lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> lines;
    lines.reserve(starts_.size());
    for (const VirtualStart& start : starts_) lines.push_back(LogLine(start));
    return lines;
}

void VirtualMixer::stream_log(std::FILE* file) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_file_ = file;
}

std::string VirtualMixer::streamed_log() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string log;
    if (log_file_ == nullptr) return log;
    std::fflush(log_file_);
    std::rewind(log_file_);
    char piece[4096];
    size_t got = 0;
    while ((got = std::fread(piece, 1, sizeof piece, log_file_)) > 0) log.append(piece, got);
    // The next line goes after the last, as before.
    std::fseek(log_file_, 0, SEEK_END);
    return log;
}

int VirtualMixer::channel_volume(int channel) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (channel < 0 || static_cast<size_t>(channel) >= channels_.size()) return -1;
    return channels_[static_cast<size_t>(channel)].volume;
}

int VirtualMixer::music_volume() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return music_volume_;
}

std::string VirtualMixer::music_playing_name() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return music_sounding(now_ms()) ? current_music_->name : std::string();
}

size_t VirtualMixer::live_chunks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return chunks_.size();
}

size_t VirtualMixer::live_music() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return music_.size();
}

}  // namespace plat
