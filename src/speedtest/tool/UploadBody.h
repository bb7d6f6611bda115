#pragma once

#include <QIODevice>

namespace tv::netquality {

// An upload's body of a given size, made on the fly from a fixed block of random-looking
// bytes (nothing on the way can compress it), so no upload is ever held in memory.
class UploadBody : public QIODevice {
    Q_OBJECT
  public:
    explicit UploadBody(qint64 size, QObject* parent = nullptr);
    qint64 size() const override { return size_; }
    bool isSequential() const override { return false; }

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    qint64 size_;
};

}  // namespace tv::netquality
