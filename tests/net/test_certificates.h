#pragma once
// Certificates made at test time with the openssl command-line tool: a test
// CA, server certificates under it (right address, wrong host name,
// expired, not yet valid), one from a second CA nobody trusts, and a
// self-signed one.

#include "support/run_program.h"

#include <fstream>
#include <string>
#include <vector>

namespace zelvon::test {

class TestCertificates {
public:
    // Writes everything into `folder`. False (with the failing step in
    // error()) when the openssl tool is missing or refuses.
    bool create(const std::string& folder) {
        folder_ = folder;
        writeText("ca.cnf", caConfig());
        writeText("index.txt", "");
        writeText("serial", "1000\n");
        writeText("ip.ext", "subjectAltName=IP:127.0.0.1\n");
        writeText("name.ext", "subjectAltName=DNS:wrong.invalid\n");
        return makeCa("ca") && makeCa("rogue") && makeRequest("ip", "/CN=127.0.0.1") && makeRequest("name", "/CN=wrong.invalid") &&
               sign("ca", "ip", "ip.ext", "good.crt") && sign("ca", "name", "name.ext", "wrong-name.crt") &&
               signDated("ca", "ip", "20000101000000Z", "20010101000000Z", "expired.crt") &&
               signDated("ca", "ip", "20990101000000Z", "21000101000000Z", "not-yet-valid.crt") &&
               signDated("rogue", "ip", "20000101000000Z", "20010101000000Z", "rogue-expired.crt") &&
               run({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", path("self.key"), "-out",
                    path("self.crt"), "-days", "30", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
    }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    const std::string& error() const { return error_; }
    // The key of every certificate signed for 127.0.0.1 or wrong.invalid.
    std::string keyFor(const std::string& certificate) const {
        return path(certificate == "wrong-name.crt" ? "name.key" : certificate == "self.crt" ? "self.key" : "ip.key");
    }

private:
    bool run(const std::vector<std::string>& args) {
        const auto result = runProgram("/usr/bin/openssl", args, folder_);
        if (result.exitCode != 0)
            error_ = "openssl " + args.front() + " failed: " + result.err;
        return result.exitCode == 0;
    }
    bool makeCa(const std::string& name) {
        return run({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", path(name + ".key"),
                    "-out", path(name + ".crt"), "-days", "30", "-subj", "/CN=Zelvon " + name + " test authority"});
    }
    bool makeRequest(const std::string& name, const std::string& subject) {
        return run({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", path(name + ".key"), "-out",
                    path(name + ".csr"), "-subj", subject});
    }
    bool sign(const std::string& ca, const std::string& request, const std::string& extensions, const std::string& out) {
        return run({"x509", "-req", "-in", path(request + ".csr"), "-CA", path(ca + ".crt"), "-CAkey", path(ca + ".key"), "-CAcreateserial",
                    "-days", "30", "-extfile", path(extensions), "-out", path(out)});
    }
    // `openssl x509` can't set a start date in OpenSSL 3.0; `openssl ca` can.
    bool signDated(const std::string& ca, const std::string& request, const std::string& start, const std::string& end,
                   const std::string& out) {
        return run({"ca", "-batch", "-config", path("ca.cnf"), "-cert", path(ca + ".crt"), "-keyfile", path(ca + ".key"), "-in",
                    path(request + ".csr"), "-out", path(out), "-startdate", start, "-enddate", end, "-extensions", "ipname", "-notext"});
    }
    std::string caConfig() const {
        return "[ca]\ndefault_ca = testca\n[testca]\ndatabase = " + path("index.txt") + "\nnew_certs_dir = " + folder_ +
               "\nserial = " + path("serial") +
               "\ndefault_md = sha256\npolicy = anything\nunique_subject = no\ncopy_extensions = none\n"
               "[anything]\ncommonName = supplied\n[ipname]\nsubjectAltName = IP:127.0.0.1\n";
    }
    void writeText(const std::string& name, const std::string& text) const { std::ofstream(path(name), std::ios::binary) << text; }

    std::string folder_;
    std::string error_;
};

} // namespace zelvon::test
