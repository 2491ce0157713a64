// MATLAB level-5 files as logs: their vectors read through libmatio into the columns of a table.
#include "measure/matlog.h"

#include "files/fileio.h"
#include "files/tempfolder.h"
#include "measure/channelkinds.h"

#include <matio.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace {

// The library's messages are not printed: a file it cannot read is said by the error thrown.
void QuietLog(int, char *) {}

struct MatFile {
    mat_t *mat;
    ~MatFile() {
        if (mat) Mat_Close(mat);
    }
};

struct VariableDeleter {
    void operator()(matvar_t *variable) const { Mat_VarFree(variable); }
};
using Variable = std::unique_ptr<matvar_t, VariableDeleter>;

// A vector read from the file: its name (a struct's field: the field's) and its values.
struct MatVector {
    std::string name, source;
    std::vector<double> values;
};

template <class T> void Append(const matvar_t *v, std::size_t n, std::vector<double> &values) {
    const T *data = static_cast<const T *>(v->data);
    for (std::size_t i = 0; i < n; ++i) values.push_back(static_cast<double>(data[i]));
}

// The values of a numeric vector; false for anything else (a matrix, text, cells, complex numbers).
bool VectorValues(const matvar_t *v, std::vector<double> &values) {
    if (!v || !v->data || v->rank != 2 || v->isComplex || (v->dims[0] != 1 && v->dims[1] != 1)) return false;
    const std::size_t n = v->dims[0] * v->dims[1];
    if (n < 2) return false;
    switch (v->class_type) {
    case MAT_C_DOUBLE:
        Append<double>(v, n, values);
        return true;
    case MAT_C_SINGLE:
        Append<float>(v, n, values);
        return true;
    case MAT_C_INT8:
        Append<std::int8_t>(v, n, values);
        return true;
    case MAT_C_UINT8:
        Append<std::uint8_t>(v, n, values);
        return true;
    case MAT_C_INT16:
        Append<std::int16_t>(v, n, values);
        return true;
    case MAT_C_UINT16:
        Append<std::uint16_t>(v, n, values);
        return true;
    case MAT_C_INT32:
        Append<std::int32_t>(v, n, values);
        return true;
    case MAT_C_UINT32:
        Append<std::uint32_t>(v, n, values);
        return true;
    case MAT_C_INT64:
        Append<std::int64_t>(v, n, values);
        return true;
    case MAT_C_UINT64:
        Append<std::uint64_t>(v, n, values);
        return true;
    default:
        return false;
    }
}

// Every vector of the file: top-level, and the fields of 1 x 1 structs.
std::vector<MatVector> Vectors(mat_t *mat) {
    std::vector<MatVector> vectors;
    while (Variable v{Mat_VarReadNext(mat)}) {
        MatVector vector{v->name ? v->name : "", "", {}};
        if (VectorValues(v.get(), vector.values)) {
            vectors.push_back(std::move(vector));
        } else if (v->class_type == MAT_C_STRUCT && v->rank == 2 && v->dims[0] * v->dims[1] == 1) {
            char *const *fields = Mat_VarGetStructFieldnames(v.get());
            for (unsigned k = 0; k < Mat_VarGetNumberOfFields(v.get()); ++k) {
                MatVector field{fields[k] ? fields[k] : "", vector.name, {}};
                if (VectorValues(Mat_VarGetStructFieldByIndex(v.get(), k, 0), field.values))
                    vectors.push_back(std::move(field));
            }
        }
    }
    return vectors;
}

// The length of the group the table takes: that of the time vector whose group holds a steer, else
// of the first time vector, else of the first vector.
std::size_t GroupLength(const std::vector<MatVector> &vectors) {
    auto named = [&](ChannelKind kind, std::size_t length) {
        return std::any_of(vectors.begin(), vectors.end(), [&](const MatVector &v) {
            return v.values.size() == length && MatchName(kind, v.name) != NameMatch::None;
        });
    };
    std::size_t first = 0;
    for (const MatVector &v : vectors) {
        if (MatchName(ChannelKind::Time, v.name) == NameMatch::None) continue;
        if (named(ChannelKind::Steer, v.values.size())) return v.values.size();
        if (first == 0) first = v.values.size();
    }
    return first != 0 ? first : vectors.front().values.size();
}

} // namespace

LogTable MatLogTable(std::string_view bytes) {
    const TempFolder folder("quillard-mat"); // the library reads a file by its name
    const std::string path = folder / "log.mat";
    WriteFileAtomically(path, bytes);
    Mat_LogInitFunc("quillard", QuietLog);
    const MatFile file{Mat_Open(path.c_str(), MAT_ACC_RDONLY)};
    if (!file.mat)
        throw FormatError("the MATLAB file cannot be read: its header or its variables are damaged");
    const std::vector<MatVector> vectors = Vectors(file.mat);
    if (vectors.empty())
        throw FormatError("the MATLAB file holds no vector of numbers (a time and channels, N x 1 or 1 x N)");
    const std::size_t length = GroupLength(vectors);
    LogTable table;
    table.format = LogFormat::Mat;
    for (const MatVector &v : vectors) {
        if (v.values.size() != length) continue;
        TableColumn column;
        column.number = static_cast<int>(table.columns.size() + 1);
        column.name = v.name;
        column.values = v.values;
        if (table.source.empty()) table.source = v.source;
        table.columns.push_back(std::move(column));
    }
    for (std::size_t i = 0; i < length; ++i) table.lines.push_back(static_cast<int>(i + 1));
    return table;
}
