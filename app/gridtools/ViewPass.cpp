#include "app/gridtools/ViewPass.h"

#include "dataset/DataSet.h"

TViewRequest TViewRequest::For(const TFileInfo& info) {
  TViewRequest request;
  static_cast<TReaderSource&>(request) = TReaderSource::For(info);
  return request;
}

TViewPass::TViewPass(QObject* parent) : TReaderPass(parent) {
  qRegisterMetaType<std::shared_ptr<TRecordView>>();
}

void TViewPass::Start(TViewRequest request) {
  TReaderSource source = request;
  TReaderPass::Start(std::move(source),
                     [this, where = std::move(request.Where), sort = std::move(request.Sort)](
                         TDataSet& dataSet, TPassControl& control, const TPost& post) {
                       auto progress = [this, &post](const char* step) {
                         return [this, &post, step](int64_t done, int64_t total) {
                           post([=, this] { emit Progress(QString::fromLatin1(step), done, total); });
                         };
                       };
                       TRecordView view = TRecordView::All(dataSet.GetRecordCount());
                       if (!where.empty()) {
                         control.OnProgress = progress("Filtering");
                         view = TRecordFilter(dataSet, where).Run(dataSet, control);
                       }
                       if (!sort.empty()) {
                         control.OnProgress = progress("Sorting");
                         view = TRecordSort(sort).Run(dataSet, std::move(view), control);
                       }
                       auto result = std::make_shared<TRecordView>(std::move(view));
                       return std::function<void()>([this, result] { emit Finished(result); });
                     });
}
