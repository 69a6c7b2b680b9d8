#include "db/query.h"

#include <memory>
#include <utility>

namespace torva::db {
// A result that owns the connection it came from, and closes the result before the connection.
class OwningResult final : public Result {
 public:
  OwningResult(std::unique_ptr<Connection> connection, ResultPtr result)
      : connection_(std::move(connection)), result_(std::move(result)) {}

  bool Eof() const override { return result_->Eof(); }
  void Next() override { result_->Next(); }
  std::vector<std::string> ColumnNames() const override { return result_->ColumnNames(); }

 protected:
  // Result names this class its friend, for these three.
  ValueType TypeAt(int index) const override { return result_->TypeAt(index); }
  std::string TextAt(int index) const override { return result_->TextAt(index); }
  double NumberAt(int index) const override { return result_->NumberAt(index); }

 private:
  std::unique_ptr<Connection> connection_;
  ResultPtr result_;  // declared last, destroyed first
};

ResultPtr OpenOnOwnConnection(const std::string& connection_string, const std::string& sql) {
  std::unique_ptr<Connection> connection =
      OpenConnection(connection_string, OpenOptions{.read_only = true});
  ResultPtr result = connection->Open(sql);
  return std::make_unique<OwningResult>(std::move(connection), std::move(result));
}

}  // namespace torva::db
