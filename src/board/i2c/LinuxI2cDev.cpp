#include "board/i2c/LinuxI2cDev.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

int smbus(int fd, char readWrite, int command, int size, i2c_smbus_data* data) {
    i2c_smbus_ioctl_data args{};
    args.read_write = readWrite;
    args.command = static_cast<std::uint8_t>(command);
    args.size = static_cast<std::uint32_t>(size);
    args.data = data;
    return ioctl(fd, I2C_SMBUS, &args) < 0 ? -errno : 0;
}

} // namespace

QStringList MissingSmbusFunctions(unsigned long functions) {
    QStringList missing;
    if (!(functions & I2C_FUNC_SMBUS_READ_BYTE_DATA)) missing << QStringLiteral("SMBus read-byte-data");
    if (!(functions & I2C_FUNC_SMBUS_WRITE_BYTE_DATA)) missing << QStringLiteral("SMBus write-byte-data");
    return missing;
}

std::unique_ptr<LinuxI2cDev> LinuxI2cDev::open(const QString& path, QString& error) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        error = QStringLiteral("cannot open the SMBus adapter %1: %2")
                    .arg(path, QString::fromLocal8Bit(std::strerror(e)));
        if (e == ENOENT)
            error +=
                QStringLiteral(" (is the i2c-dev module loaded? 'modprobe i2c-dev'; 'i2cdetect -l' lists the "
                               "adapters)");
        else if (e == EACCES)
            error +=
                QStringLiteral(" (add yourself to the group that owns it, usually i2c: see 'ls -l %1', then "
                               "'sudo adduser $USER i2c' and log in again)")
                    .arg(path);
        return nullptr;
    }
    unsigned long functions = 0;
    if (ioctl(fd, I2C_FUNCS, &functions) < 0) {
        error = QStringLiteral("%1 is not an I2C adapter: %2")
                    .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return nullptr;
    }
    if (const QStringList missing = MissingSmbusFunctions(functions); !missing.isEmpty()) {
        error = QStringLiteral("the adapter %1 lacks %2, which the chip's registers need")
                    .arg(path, missing.join(QLatin1String(" and ")));
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<LinuxI2cDev>(new LinuxI2cDev(fd, path));
}

LinuxI2cDev::~LinuxI2cDev() {
    ::close(fd_);
}

int LinuxI2cDev::setAddress(int address) {
    // I2C_SLAVE, never I2C_SLAVE_FORCE: an address a kernel driver has bound stays its own.
    return ioctl(fd_, I2C_SLAVE, static_cast<unsigned long>(address)) < 0 ? -errno : 0;
}

int LinuxI2cDev::readByteData(int reg) {
    i2c_smbus_data data{};
    const int status = smbus(fd_, I2C_SMBUS_READ, reg, I2C_SMBUS_BYTE_DATA, &data);
    return status < 0 ? status : data.byte;
}

int LinuxI2cDev::writeByteData(int reg, std::uint8_t value) {
    i2c_smbus_data data{};
    data.byte = value;
    return smbus(fd_, I2C_SMBUS_WRITE, reg, I2C_SMBUS_BYTE_DATA, &data);
}
