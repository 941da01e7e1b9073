#include "expected_stream.h"

#include "cp949_upper.h"

namespace {

class Oracle {
  public:
    explicit Oracle(int startLevel) : level_(startLevel) {}

    void HandOver(std::string& batch) {
        result_.bytes += batch;
        stepBytes_ += batch.size();
        const std::size_t threshold = level_ < 10 ? 500 : 2000;
        if (stepBytes_ > threshold) {
            level_ = level_ <= 8   ? level_ + 2
                     : level_ == 9 ? 10
                     : level_ < 20 ? level_ + 1
                     : level_ < 30 ? level_ + 2
                                   : level_ + 5;
            stepBytes_ = 0;
        }
        result_.handOvers.push_back({result_.bytes.size(), level_});
        batch.clear();
    }

    ExpectedStream Run(const std::string& file) {
        std::string line, batch;
        for (char c : file) {
            line += c == '\0' ? ' ' : c;
            if (c != '\n') {
                if (line.size() > 250) {
                    return Finish(ExpectedStream::End::LongLine);
                }
                continue;
            }
            batch += line;
            line.clear();
            UpperCaseCp949(batch);
            if (batch.size() > 200) {
                HandOver(batch);
            }
            if (level_ > 60) {
                return Finish(ExpectedStream::End::LevelPassed);
            }
        }
        if (!line.empty()) {
            line += "\r\n";
            if (line.size() > 250) {
                return Finish(ExpectedStream::End::LongLine);
            }
            batch += line;
        }
        if (!batch.empty()) {
            HandOver(batch);
        }
        return Finish(ExpectedStream::End::EndOfFile);
    }

  private:
    ExpectedStream Finish(ExpectedStream::End end) {
        result_.end = end;
        result_.finalLevel = level_;
        return result_;
    }

    ExpectedStream result_{};
    int level_;
    std::size_t stepBytes_ = 0;
};

}  // namespace

ExpectedStream ExpectedStreamFor(const std::string& file, int startLevel) {
    return Oracle(startLevel).Run(file);
}
