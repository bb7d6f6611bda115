#pragma once

#include <QByteArray>
#include <QUrl>

#include <optional>

namespace tv::netquality {

// Where a run sends its requests: a large object to download again and again, a small one
// whose round trip is the latency, and a sink that accepts uploads.
struct ProbeConfig {
    QUrl largeDownload;
    QUrl smallDownload;
    QUrl upload;

    // A public speed-test service with servers near most users: sized downloads, an upload
    // sink, HTTPS, no account.
    static ProbeConfig builtIn();

    // A responsiveness configuration: a JSON object whose "urls" object names the three
    // addresses ("large_download_url", "small_download_url", "upload_url", or the older
    // "large_https_download_url", "small_https_download_url", "https_upload_url"). Relative
    // addresses resolve against `base`. Absent unless all three are http or https URLs.
    static std::optional<ProbeConfig> parse(const QByteArray& json, const QUrl& base);
};

}  // namespace tv::netquality
